// The line tracer's callback set, as its handler activation installs it.
#include "tracer_p/line_tracer_server.h"

#include "module_base/callback_guard.h"
#include "tracer_p/line_tracer_callbacks.h"

namespace qr {
namespace {

constexpr PixelFilterCallbacks kCallbacks = {
    {guarded<createLineTracer>, guarded<destroyLineTracer>, guarded<copyLineTracer>, guarded<loadLineTracer>,
     guarded<saveLineTracer>, guarded<describeLineTracer>},
    {guarded<initLineTracer>, guarded<cleanupLineTracer>, guarded<newTimeLineTracer>},
    guarded<evaluateLineTracer>,
    guarded<lineTracerFlags>,
};

}  // namespace

const PixelFilterCallbacks &lineTracerCallbacks() { return kCallbacks; }

}  // namespace qr
