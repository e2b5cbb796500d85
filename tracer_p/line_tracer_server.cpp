// The line tracer's callback set, as its handler activation installs it.
#include "module/server_callbacks.h"
#include "tracer_p/line_tracer_callbacks.h"

namespace qr {
namespace {

constexpr PixelFilterCallbacks kCallbacks = {
    {createLineTracer, destroyLineTracer, copyLineTracer, loadLineTracer, saveLineTracer,
     describeLineTracer},
    {initLineTracer, cleanupLineTracer, newTimeLineTracer},
    evaluateLineTracer,
    lineTracerFlags,
};

}  // namespace

const PixelFilterCallbacks &lineTracerCallbacks() { return kCallbacks; }

}  // namespace qr
