#include "tracer_p/line_edge_classify.h"

#include "texlib/vector.h"

namespace qr {
namespace {

Vector normalAt(const float *n) { return Vector{n[0], n[1], n[2]}; }

// r = larger / smaller - 1, whichever of the two depths is larger.
double depthRatioStep(double d0, double d1) { return d1 > d0 ? d1 / d0 - 1.0 : d0 / d1 - 1.0; }

}  // namespace

LinePixelClass classifyLinePixel(const LineStoreView &s, int x, int y, const LineTolerances &tracer) {
    LinePixelClass out;
    const size_t centre = s.index(x, y);
    const double d0 = s.depth[centre];
    const Vector n0 = normalAt(s.normal + 3 * centre);
    if (!s.shader[centre] && d0 >= 0.0) return out;

    // Nearest recorded sample of the 3 x 3 window; strict test, so the first
    // of equal depths in row-major order wins.
    double best = kFarDepth;
    const void *ref = nullptr;
    size_t refIndex = 0;
    for (int row = y - 1; row <= y + 1; ++row)
        for (int col = x - 1; col <= x + 1; ++col) {
            if (!s.inside(col, row)) continue;
            size_t i = s.index(col, row);
            if (s.shader[i] && s.depth[i] < best) {
                best = s.depth[i];
                ref = s.shader[i];
                refIndex = i;
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
    if (d0 >= 0.0) {
        // Inner edges against the three neighbours earlier in raster order.
        static constexpr int kEarlier[3][2] = {{-1, -1}, {0, -1}, {-1, 0}};
        for (const auto &off : kEarlier) {
            int col = x + off[0], row = y + off[1];
            if (!s.inside(col, row)) continue;
            size_t i = s.index(col, row);
            if (!s.shader[i]) continue;
            const double d1 = s.depth[i];
            if (edgeLineSettingsOf(s.shader[i])->mat_id != centreId ||
                1.0 - dot(n0, normalAt(s.normal + 3 * i)) >= tol.norm_err ||
                depthRatioStep(d0, d1) >= tol.dist_err) {
                out.edge = LineEdge::Inner;
                break;
            }
        }
        // Outline: background anywhere in the 2 x 2 block ending at the pixel.
        for (int row = y - 1; row <= y; ++row)
            for (int col = x - 1; col <= x; ++col)
                if (s.inside(col, row) && s.depth[s.index(col, row)] < 0.0) out.edge = LineEdge::Outline;
    } else if (d0 < 0.0) {
        // Background pixel next to a recorded sample earlier in raster order.
        for (int row = y - 1; row <= y; ++row)
            for (int col = x - 1; col <= x; ++col) {
                if (!s.inside(col, row)) continue;
                size_t i = s.index(col, row);
                if (s.shader[i] && s.depth[i] >= 0.0) out.edge = LineEdge::Outline;
            }
    }
    return out;
}

}  // namespace qr
