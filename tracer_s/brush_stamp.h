// Brush stamps: elliptical, rotated, coverage-weighted blends into the draw
// buffer (four bytes per store cell: red, green, blue, alpha).
#pragma once

#include <cstdint>

#include "store/stroke_store_view.h"
#include "tracer_s/trace_step1_instance.h"

namespace qr::tracer_s {

// An empty draw-buffer cell: white with no coverage.
inline constexpr uint8_t kEmptyDrawCell[4] = {255, 255, 255, 0};

struct StampShape {
    double radius = 0;    // R, in cells
    long long reach = 0;  // n, targets from -n to +n around the centre
    double angle = 0;     // theta, radians
    double squash = 1;    // k, the factor applied along the ellipse's second axis
};

// The stamp of edge cell (x, y) with strength m and width boost w; false when
// its radius is not positive (no stamp).
bool stampShapeFor(const TraceStep1Instance &settings, int oversampling, int x, int y, double m, double boost,
                   StampShape &shape);

// Blends colour `line` with coverage E (0 < E <= 1) into one draw-buffer cell.
void blendIntoCell(uint8_t *cell, double coverage, const double line[3]);

// Scratch for one stamp: two doubles per sub-column of the widest possible
// stamp, i.e. 8 per grid column. The caller allocates it once per frame.
inline size_t stampScratchDoubles(int gridWidth) { return 8 * static_cast<size_t>(gridWidth); }

// Paints the stamp centred on (x, y). Visits only the targets that a sample
// point can reach, and of them only the sample points near the ellipse's span
// on each sub-row; the points it does test are tested exactly as the plain
// 4 x 4 sweep would, so the draw buffer comes out byte for byte the same.
void paintStamp(const StrokeStoreView &store, uint8_t *draw, double *scratch, int x, int y,
                const StampShape &shape, const double line[3]);

}  // namespace qr::tracer_s
