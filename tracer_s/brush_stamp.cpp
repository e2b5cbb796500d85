#include "tracer_s/brush_stamp.h"

#include <algorithm>
#include <cmath>

#include "tracer_s/edge_strength.h"
#include "tracer_s/stroke_noise.h"

namespace qr::tracer_s {

namespace {

constexpr double kPi = 3.141592653589793;
// Reach beyond any grid: keeps the integer conversion defined for huge radii.
constexpr double kMaxReach = 1e9;

// Sub-sample offsets inside a target cell, 4 x 4 points.
constexpr double kSubOffset = 0.125;
constexpr double kSubStep = 0.25;
constexpr double kPointCoverage = 0.0625;

// The sub-columns of one sub-row whose sample points may lie in the ellipse,
// as global sub-column indices; empty when first > last.
struct SubSpan {
    long long first, last;
};

}  // namespace

bool stampShapeFor(const TraceStep1Instance &s, int factor, int x, int y, double m, double boost,
                   StampShape &shape) {
    const double radius =
        (s.brush_min * 0.5 * (1.0 - m) + s.brush_max * 0.5 * m) * (1.0 + boost) * factor;
    if (!(radius > 0.0)) return false;  // also refuses a radius that is not a number
    shape.radius = radius;

    const double reach = static_cast<double>(static_cast<float>(radius)) + 0.5;
    shape.reach = reach < kMaxReach ? static_cast<long long>(reach) : static_cast<long long>(kMaxReach);

    double angle = s.brush_rotate;
    if (s.noise_size * factor > 0.0) {
        const double scale = factor * s.noise_size;
        const double p[3] = {static_cast<double>(x) / factor / scale,
                             static_cast<double>(y) / factor / scale, 0.0};
        angle += (noise3(p) + 1.0) * 0.5 * kPi;
    }
    shape.angle = angle;
    shape.squash = s.brush_squash >= 0.01 ? 1.0 / s.brush_squash : 100.0;
    return true;
}

void blendIntoCell(uint8_t *cell, double coverage, const double line[3]) {
    const double a = cell[3] * kByteToUnit;
    const double total = a + coverage;
    for (int c = 0; c < 3; ++c) {
        const double old = cell[c] * kByteToUnit;
        const double mixed = (old * a + line[c] * coverage) / total;
        cell[c] = static_cast<uint8_t>(std::min(mixed, 1.0) * 255.0);
    }
    cell[3] = static_cast<uint8_t>(std::min(total, 1.0) * 255.0);
}

void paintStamp(const StrokeStoreView &store, uint8_t *draw, double *scratch, int x, int y,
                const StampShape &shape, const double line[3]) {
    const long long n = shape.reach;
    const long long row0 = std::max<long long>(0, y - n);
    const long long row1 = std::min<long long>(store.gridHeight - 1, y + n);
    const long long col0 = std::max<long long>(0, x - n);
    const long long col1 = std::min<long long>(store.gridWidth - 1, x + n);
    if (row0 > row1 || col0 > col1) return;

    const double r2 = shape.radius * shape.radius;
    const double cosA = std::cos(shape.angle);
    const double sinA = std::sin(shape.angle);
    const double k = shape.squash;

    // Products with each sub-column's horizontal offset, shared by every
    // target row of the stamp.
    const long long subCols = 4 * (col1 - col0 + 1);
    double *cosDx = scratch;
    double *sinDx = scratch + subCols;
    const double centreX = x + 0.5;
    for (long long g = 0; g < subCols; ++g) {
        const double dx = static_cast<double>(col0 + g / 4) + kSubOffset + kSubStep * (g % 4) - centreX;
        cosDx[g] = cosA * dx;
        sinDx[g] = sinA * dx;
    }

    // Span of each sub-row. With Q(dx) = a dx^2 + 2 b dy dx + c dy^2 the
    // ellipse's quadratic form (determinant k^2), a sub-row meets the ellipse
    // for dx within -b dy / a +- sqrt(a R^2 - k^2 dy^2) / a. The span is widened
    // by a margin far larger than any rounding, and every point in it is then
    // tested exactly; when the form is too flat or not finite, the whole row of
    // sub-columns is tested.
    const double qa = cosA * cosA + k * k * sinA * sinA;
    const double qb = cosA * sinA * (k * k - 1.0);
    const double firstDx = static_cast<double>(col0) + kSubOffset - centreX;
    const double margin = 1e-5 * shape.radius + 1e-9;
    const bool spansUsable = qa >= 1e-2 && std::isfinite(qa) && std::isfinite(qb) &&
                             std::isfinite(r2) && std::isfinite(k);
    auto spanOf = [&](double dy) -> SubSpan {
        if (!spansUsable) return {0, subCols - 1};
        const double centre = -qb * dy / qa;
        const double disc = qa * r2 - k * k * dy * dy;
        const double half = disc > 0.0 ? std::sqrt(disc) / qa : 0.0;
        const double lo = (centre - half - margin - firstDx) / kSubStep;
        const double hi = (centre + half + margin - firstDx) / kSubStep;
        if (!(lo <= hi)) return {0, subCols - 1};
        const long long first = lo <= 0.0 ? 0 : static_cast<long long>(std::min(std::ceil(lo), 4e18));
        const long long last = hi >= static_cast<double>(subCols - 1)
                                   ? subCols - 1
                                   : static_cast<long long>(std::max(std::floor(hi), -1.0));
        return {first, last};
    };

    const size_t centreIndex = store.index(x, y);
    const float centreDepth = store.depth[centreIndex];
    const double centreY = y + 0.5;
    for (long long ty = row0; ty <= row1; ++ty) {
        double sinDy[4], cosDy[4];
        SubSpan span[4];
        long long tFirst = subCols, tLast = -1;
        for (int j = 0; j < 4; ++j) {
            const double dy = static_cast<double>(ty) + kSubOffset + kSubStep * j - centreY;
            sinDy[j] = sinA * dy;
            cosDy[j] = cosA * dy;
            span[j] = spanOf(dy);
            if (span[j].first <= span[j].last) {
                tFirst = std::min(tFirst, span[j].first / 4);
                tLast = std::max(tLast, span[j].last / 4);
            }
        }
        const size_t rowBase = static_cast<size_t>(ty) * static_cast<size_t>(store.gridWidth);
        for (long long t = tFirst; t <= tLast; ++t) {
            const long long tx = col0 + t;
            const size_t target = rowBase + static_cast<size_t>(tx);
            const bool painted = tx == x || ty == y || store.depth[target] >= centreDepth;
            if (!painted) continue;
            int count = 0;
            for (int j = 0; j < 4; ++j) {
                const long long g0 = std::max(span[j].first, 4 * t);
                const long long g1 = std::min(span[j].last, 4 * t + 3);
                for (long long g = g0; g <= g1; ++g) {
                    const double u = cosDx[g] - sinDy[j];
                    const double v = (sinDx[g] + cosDy[j]) * k;
                    if (u * u + v * v <= r2) ++count;
                }
            }
            if (count > 0) blendIntoCell(draw + 4 * target, count * kPointCoverage, line);
        }
    }
}

}  // namespace qr::tracer_s
