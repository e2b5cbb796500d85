// Classification of one pixel of the line edition's store: is there an edge,
// of which kind, and which recorded sample gives the line its colour.
//
// A pure function of the store's cells, so the tracer's evaluate and the tests
// share it. The recording shaders' line settings are read through the
// instance addresses the store holds.
#pragma once

#include "shader/edge_line_settings.h"
#include "store/line_store_view.h"

namespace qr {

// The edge weight w: -1 no edge, 0 inner edge, 1 outline against background.
enum class LineEdge { None = -1, Inner = 0, Outline = 1 };

struct LineTolerances {
    double norm_err;
    double dist_err;
};

struct LinePixelClass {
    // Decided before the neighbourhood was looked at: a recorded-free pixel
    // with a depth, or no recorded sample in the 3 x 3 window. Such a pixel is
    // written only when lines are rendered over white.
    bool early = true;
    LineEdge edge = LineEdge::None;
    double color[3] = {0.0, 0.0, 0.0};  // reference line colour, 0..1
    double density = 0.0;               // reference line density
};

// Factor of the colour bytes (1/255).
constexpr double kByteToUnit = 0.00392156862745098;
// Depth of "nothing nearer yet" in the reference search.
constexpr double kFarDepth = 1e14;

// The pixel (x, y), which must lie inside the store, with the tracer's own
// tolerances (a reference shader with override_f set replaces them).
LinePixelClass classifyLinePixel(const LineStoreView &s, int x, int y, const LineTolerances &tracer);

}  // namespace qr
