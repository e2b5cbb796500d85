// The line tracer's instance: its three settings and its description line.
// One per tracer the user adds, owned by the host from create to destroy.
#pragma once

#include <cstdint>

namespace qr {

inline constexpr int kLineTracerDescriptionSize = 128;

struct LineTracer {
    int32_t line_only;  // non-zero: "render only lines", over white
    double norm_err;    // normal tolerance: 1 - cos(angle) at or above it is a crease
    double dist_err;    // depth tolerance: depth ratio - 1 at or above it is a step
    char description[kLineTracerDescriptionSize];
};

// The settings of a new instance: line_only 0, norm_err 0.15, dist_err 0.02,
// an empty description.
LineTracer defaultLineTracer();

}  // namespace qr
