#include "tracer_p/line_edge_classify.h"

#include "texlib/vector.h"

namespace qr {
namespace {

// r = larger / smaller - 1, whichever of the two depths is larger.
double depthRatioStep(double d0, double d1) { return d1 > d0 ? d1 / d0 - 1.0 : d0 / d1 - 1.0; }

// Whether depthRatioStep(d0, d1) >= t. Most neighbours lie far below the
// tolerance, where a product settles it without the division: when the larger
// depth is under the smaller times (1 + t)(1 - 1e-9), the quotient rounds
// below 1 + t by far more than any rounding, and subtracting 1 from a
// quotient in [1, 2) is exact. Anything else is tested as stated.
bool depthStepReaches(double d0, double d1, double t) {
    const double lo = d1 < d0 ? d1 : d0, hi = d1 < d0 ? d0 : d1;
    if (t > 0.0 && t < 1.0 && lo > 0.0 && hi < lo * ((1.0 + t) * (1.0 - 1e-9))) return false;
    return depthRatioStep(d0, d1) >= t;
}

// The window's cells that lie in the store: columns col0..col1 and rows
// row0..row1 around (x, y), clipped at the border.
struct Window {
    int col0, col1, row0, row1;
};
Window windowOf(const LineStoreView &s, int x, int y) {
    return Window{x > 0 ? x - 1 : 0, x + 1 < s.gridWidth ? x + 1 : x, y > 0 ? y - 1 : 0,
                  y + 1 < s.gridHeight ? y + 1 : y};
}

}  // namespace

LinePixelClass classifyLinePixel(const LineStoreView &s, int x, int y, const LineTolerances &tracer) {
    LinePixelClass out;
    const size_t centre = s.index(x, y);
    const double d0 = s.depth[centre];
    if (!s.shader[centre] && d0 >= 0.0) return out;

    // Nearest recorded sample of the 3 x 3 window; strict test, so the first
    // of equal depths in row-major order wins.
    const Window win = windowOf(s, x, y);
    double best = kFarDepth;
    const void *ref = nullptr;
    size_t refIndex = 0;
    for (int row = win.row0; row <= win.row1; ++row) {
        const size_t rowStart = s.index(0, row);
        for (int col = win.col0; col <= win.col1; ++col) {
            const size_t i = rowStart + static_cast<size_t>(col);
            if (s.shader[i] && s.depth[i] < best) {
                best = s.depth[i];
                ref = s.shader[i];
                refIndex = i;
            }
        }
    }
    if (!ref) return out;
    out.early = false;
    for (int k = 0; k < 3; ++k) out.color[k] = s.color[3 * refIndex + k] * kByteToUnit;
    out.density = s.density[refIndex];

    LineTolerances tol = tracer;
    if (const auto *rs = edgeLineSettingsOf(ref); rs->override_f != 0)
        tol = LineTolerances{rs->norm_err, rs->dist_err};

    const int centreId = s.shader[centre] ? edgeLineSettingsOf(s.shader[centre])->mat_id : 0;
    // The three neighbours earlier in raster order, in the order they are
    // tested, and the 2 x 2 block that ends at the pixel.
    size_t earlier[3];
    int count = 0;
    if (y > 0) {
        if (x > 0) earlier[count++] = centre - static_cast<size_t>(s.gridWidth) - 1;
        earlier[count++] = centre - static_cast<size_t>(s.gridWidth);
    }
    if (x > 0) earlier[count++] = centre - 1;
    if (d0 >= 0.0) {
        // Inner edges against the three neighbours earlier in raster order.
        const float *n0 = s.normal + 3 * centre;
        for (int k = 0; k < count; ++k) {
            const size_t i = earlier[k];
            if (!s.shader[i]) continue;
            const double d1 = s.depth[i];
            if (edgeLineSettingsOf(s.shader[i])->mat_id != centreId ||
                1.0 - dotOfNormals(n0, s.normal + 3 * i) >= tol.norm_err ||
                depthStepReaches(d0, d1, tol.dist_err)) {
                out.edge = LineEdge::Inner;
                break;
            }
        }
        // Outline: background anywhere in the 2 x 2 block ending at the pixel
        // (the pixel itself has a depth here).
        for (int k = 0; k < count; ++k)
            if (s.depth[earlier[k]] < 0.0) {
                out.edge = LineEdge::Outline;
                break;
            }
    } else if (d0 < 0.0) {
        // Background pixel next to a recorded sample earlier in raster order.
        for (int k = 0; k < count; ++k) {
            const size_t i = earlier[k];
            if (s.shader[i] && s.depth[i] >= 0.0) {
                out.edge = LineEdge::Outline;
                break;
            }
        }
    }
    return out;
}

}  // namespace qr
