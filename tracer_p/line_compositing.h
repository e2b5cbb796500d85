// Coverage of a line in a pixel and its blending into the pixel's colour.
#pragma once

#include "tracer_p/line_edge_classify.h"

namespace qr {

// Share of a 4 x 4 grid of subsample points within radius
// w + (1 - w) * 0.5 of the pixel centre, for edge weight w.
constexpr double subsampleCoverage(double w) {
    const double rho = w + (1.0 - w) * 0.5;
    const double rho2 = rho * rho;
    double c = 0.0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const double dx = (0.125 + 0.25 * j) - 0.5;
            const double dy = (0.125 + 0.25 * i) - 0.5;
            if (dx * dx + dy * dy <= rho2) c += 0.0625;
        }
    return c;
}

// The coverage of an edge kind before the density: 0, 0.75 or 1.
double edgeCoverage(LineEdge edge);

// The pixel after the line: `rgba` is the pixel as rendered, `lineOnly` the
// tracer's "render only lines". Computed in double, returned as floats.
void compositeLinePixel(const float rgba[4], const LinePixelClass &cls, bool lineOnly, float out[4]);

}  // namespace qr
