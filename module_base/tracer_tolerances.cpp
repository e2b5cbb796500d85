#include "module_base/tracer_tolerances.h"

#include "module_base/module_state.h"

namespace qr {

namespace {
constinit TracerTolerancesReader boundReader = nullptr;
}  // namespace

void bindTracerTolerancesReader(TracerTolerancesReader reader) noexcept { boundReader = reader; }

bool currentTracerTolerances(TracerTolerances &out) noexcept {
    const void *tracer = moduleState().currentTracer;
    if (!tracer || !boundReader) return false;
    out = boundReader(tracer);
    return true;
}

}  // namespace qr
