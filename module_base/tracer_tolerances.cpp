#include "module_base/tracer_tolerances.h"

#include "module_base/current_tracer.h"

namespace qr {

namespace {
constinit TracerTolerancesReader boundReader = nullptr;
}  // namespace

void bindTracerTolerancesReader(TracerTolerancesReader reader) noexcept { boundReader = reader; }

bool currentTracerTolerances(TracerTolerances &out) noexcept {
    const void *tracer = currentTracer().get();
    if (!tracer || !boundReader) return false;
    out = boundReader(tracer);
    return true;
}

}  // namespace qr
