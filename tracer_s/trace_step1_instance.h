// The TraceStep1 instance: every setting of the stroke tracer.
//
// TraceStep2 has no settings of its own and reads these through the PixelData
// block, so the record is shared by the two servers.
#pragma once

#include <cstdint>

namespace qr::tracer_s {

inline constexpr int kDescriptionSize = 128;

struct TraceStep1Instance {
    double norm_err = 0.1;       // crease when 1 - cos(angle) reaches it
    double dist_err = 0.02;      // depth step when larger / smaller - 1 reaches it
    double dist_range = 0.05;    // depth steps over this range grade 0 to 1
    double brush_rotate = 0.0;   // base angle of the brush ellipse, radians
    double brush_squash = 0.25;  // second axis / first axis of the ellipse
    int32_t only_line = 0;       // non-zero: strokes over white
    int32_t aa_sample = 1;       // oversampling factor minus one
    double aa_jitter = 0.5;      // ray jitter in cells, used from aa_sample 2 on
    double brush_min = 1.0;      // brush diameter in pixels at strength 0
    double brush_max = 3.0;      // brush diameter in pixels at strength 1
    double noise_size = 16.0;    // stroke noise scale; 0 or less: no noise
    double mat_edge = 0.5;       // strength of a material boundary
    char description[kDescriptionSize] = {};
};

// The oversampling factor b an instance asks for: cells per pixel along each
// axis. A stored index of INT_MAX asks for a factor no grid can have; it gives
// INT_MAX, which the store refuses, rather than overflowing.
inline int oversamplingOf(const TraceStep1Instance &inst) {
    return inst.aa_sample < INT32_MAX ? inst.aa_sample + 1 : INT32_MAX;
}

// TraceStep2's instance holds only its description.
struct TraceStep2Instance {
    char description[kDescriptionSize] = {};
};

}  // namespace qr::tracer_s
