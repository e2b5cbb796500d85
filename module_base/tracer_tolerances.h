// The tolerances of the current tracer instance (module_base/current_tracer.h),
// which the shader panel's "Get global settings" copies into a surface.
//
// The tracer's record differs between the editions (TraceStep1 in the stroke
// edition, the line tracer in the line edition) and the shader may not know
// either, so each module binds its tracer's reader when it is loaded.
#pragma once

namespace qr {

struct TracerTolerances {
    double normErr;
    double distErr;
};

using TracerTolerancesReader = TracerTolerances (*)(const void *tracer);

void bindTracerTolerancesReader(TracerTolerancesReader reader) noexcept;

// The current tracer's tolerances; false when there is no current tracer
// (or no reader is bound).
bool currentTracerTolerances(TracerTolerances &out) noexcept;

}  // namespace qr
