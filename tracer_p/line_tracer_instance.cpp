// The line tracer's instance operations and the module-wide registration of
// the current tracer, whose tolerances the edge shader's panel copies.
#include <cstdio>
#include <new>

#include "module_base/current_tracer.h"
#include "module_base/edition.h"
#include "tracer_p/line_tracer.h"
#include "tracer_p/line_tracer_callbacks.h"

namespace qr {

LineTracer defaultLineTracer() {
    return LineTracer{0, kLineEdition.tracerNormErr, kLineEdition.tracerDistErr, {}};
}

Instance createLineTracer(void *, void *, const char **) {
    auto *tracer = new (std::nothrow) LineTracer(defaultLineTracer());
    currentTracer().offer(tracer);
    return tracer;
}

void destroyLineTracer(Instance inst) {
    if (!inst) return;
    currentTracer().withdraw(inst);
    delete static_cast<LineTracer *>(inst);
}

const char *copyLineTracer(Instance to, Instance from) {
    if (to && from && to != from) *static_cast<LineTracer *>(to) = *static_cast<const LineTracer *>(from);
    return nullptr;
}

const char *describeLineTracer(Instance inst) {
    if (!inst) return kLineEdition.tracerServer;
    auto *tracer = static_cast<LineTracer *>(inst);
    std::snprintf(tracer->description, sizeof tracer->description, "%s", kLineEdition.tracerServer);
    return tracer->description;
}

}  // namespace qr
