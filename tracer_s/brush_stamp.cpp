#include "tracer_s/brush_stamp.h"

#include <algorithm>
#include <cmath>

#include "tracer_s/edge_strength.h"
#include "tracer_s/stamp_span.h"
#include "tracer_s/stroke_noise.h"

namespace qr::tracer_s {

namespace {

constexpr double kPi = 3.141592653589793;
// Reach beyond any grid: keeps the integer conversion defined for huge radii.
constexpr double kMaxReach = 1e9;

constexpr double kPointCoverage = 0.0625;

// The blend of blendIntoCell, inlined into the stamps' loop.
inline void blendCell(uint8_t *cell, double coverage, const double line[3]) {
    const double a = cell[3] * kByteToUnit;
    const double total = a + coverage;
    for (int c = 0; c < 3; ++c) {
        const double old = cell[c] * kByteToUnit;
        const double mixed = (old * a + line[c] * coverage) / total;
        cell[c] = static_cast<uint8_t>(std::min(mixed, 1.0) * 255.0);
    }
    cell[3] = static_cast<uint8_t>(std::min(total, 1.0) * 255.0);
}

// The exact test of a sample point against the stamp's ellipse, on the
// products of each sub-column's horizontal offset (shared by every target row
// of the stamp) and of the sub-row's vertical offset.
struct PointTest {
    const double *cosDx;
    const double *sinDx;
    double k, r2;

    // How many of sub-columns from..to of the sub-row lie in the ellipse.
    long long inside(double sinDy, double cosDy, long long from, long long to) const {
        long long count = 0;
        for (long long g = from; g <= to; ++g) {
            const double u = cosDx[g] - sinDy;
            const double v = (sinDx[g] + cosDy) * k;
            if (u * u + v * v <= r2) ++count;
        }
        return count;
    }
};

// The four sub-rows of one target row: their products with the vertical
// offset, their spans, and the target columns tFirst..tLast the spans reach.
struct TargetRow {
    double sinDy[4], cosDy[4];
    SubSpan span[4];
    long long tFirst, tLast;
};

TargetRow targetRow(StampSpans &spans, double cosA, double sinA, long long ty, double centreY,
                    long long subCols) {
    TargetRow row;
    row.tFirst = subCols;
    row.tLast = -1;
    for (int j = 0; j < 4; ++j) {
        const double dy = static_cast<double>(ty) + kSubOffset + kSubStep * j - centreY;
        row.sinDy[j] = sinA * dy;
        row.cosDy[j] = cosA * dy;
        row.span[j] = spans.spanOf(dy);
        if (row.span[j].first <= row.span[j].last) {
            row.tFirst = std::min(row.tFirst, row.span[j].first / 4);
            row.tLast = std::max(row.tLast, row.span[j].last / 4);
        }
    }
    return row;
}

// The sample points of target column t in the row that the stamp covers:
// per sub-row, the span's inner part is counted and the rest tested.
long long coveredPoints(const PointTest &test, const TargetRow &row, long long t) {
    long long count = 0;
    for (int j = 0; j < 4; ++j) {
        const SubSpan &span = row.span[j];
        const long long g0 = std::max(span.first, 4 * t);
        const long long g1 = std::min(span.last, 4 * t + 3);
        if (g0 > g1) continue;
        const long long i0 = std::max(g0, span.innerFirst);
        const long long i1 = std::min(g1, span.innerLast);
        if (i0 <= i1) {
            count += i1 - i0 + 1;
            count += test.inside(row.sinDy[j], row.cosDy[j], g0, i0 - 1);
            count += test.inside(row.sinDy[j], row.cosDy[j], i1 + 1, g1);
        } else {
            count += test.inside(row.sinDy[j], row.cosDy[j], g0, g1);
        }
    }
    return count;
}

}  // namespace

bool stampShapeFor(const TraceStep1Instance &s, int oversampling, int x, int y, double m, double boost,
                   StampShape &shape) {
    const double radius =
        (s.brush_min * 0.5 * (1.0 - m) + s.brush_max * 0.5 * m) * (1.0 + boost) * oversampling;
    if (!(radius > 0.0)) return false;  // also refuses a radius that is not a number
    shape.radius = radius;

    const double reach = static_cast<double>(static_cast<float>(radius)) + 0.5;
    shape.reach = reach < kMaxReach ? static_cast<long long>(reach) : static_cast<long long>(kMaxReach);

    double angle = s.brush_rotate;
    if (s.noise_size * oversampling > 0.0) {
        const double scale = oversampling * s.noise_size;
        const double p[3] = {static_cast<double>(x) / oversampling / scale,
                             static_cast<double>(y) / oversampling / scale, 0.0};
        angle += (noise3(p) + 1.0) * 0.5 * kPi;
    }
    shape.angle = angle;
    shape.squash = s.brush_squash >= 0.01 ? 1.0 / s.brush_squash : 100.0;
    return true;
}

void blendIntoCell(uint8_t *cell, double coverage, const double line[3]) { blendCell(cell, coverage, line); }

void paintStamp(const StrokeStoreView &store, uint8_t *draw, double *scratch, int x, int y,
                const StampShape &shape, const double line[3]) {
    const long long n = shape.reach;
    const long long row0 = std::max<long long>(0, y - n);
    const long long row1 = std::min<long long>(store.gridHeight - 1, y + n);
    const long long col0 = std::max<long long>(0, x - n);
    const long long col1 = std::min<long long>(store.gridWidth - 1, x + n);
    if (row0 > row1 || col0 > col1) return;

    const double cosA = std::cos(shape.angle);
    const double sinA = std::sin(shape.angle);
    const long long subCols = 4 * (col1 - col0 + 1);
    double *cosDx = scratch;
    double *sinDx = scratch + subCols;
    const double centreX = x + 0.5;
    for (long long g = 0; g < subCols; ++g) {
        const double dx = static_cast<double>(col0 + g / 4) + kSubOffset + kSubStep * (g % 4) - centreX;
        cosDx[g] = cosA * dx;
        sinDx[g] = sinA * dx;
    }
    const PointTest test{cosDx, sinDx, shape.squash, shape.radius * shape.radius};
    StampSpans spans(shape, cosA, sinA, centreX, col0, subCols);
    const double reachY = spans.reachY();

    const float centreDepth = store.depth[store.index(x, y)];
    const double centreY = y + 0.5;
    for (long long ty = row0; ty <= row1; ++ty) {
        if (spans.usable() &&
            (static_cast<double>(ty) + 1.0 - centreY < -reachY || static_cast<double>(ty) - centreY > reachY))
            continue;  // the whole target row lies beyond the ellipse
        const TargetRow row = targetRow(spans, cosA, sinA, ty, centreY, subCols);
        const size_t rowBase = static_cast<size_t>(ty) * static_cast<size_t>(store.gridWidth);
        for (long long t = row.tFirst; t <= row.tLast; ++t) {
            const long long tx = col0 + t;
            const size_t target = rowBase + static_cast<size_t>(tx);
            const bool painted = tx == x || ty == y || store.depth[target] >= centreDepth;
            if (!painted) continue;
            const long long count = coveredPoints(test, row, t);
            if (count > 0) blendCell(draw + 4 * target, static_cast<double>(count) * kPointCoverage, line);
        }
    }
}

}  // namespace qr::tracer_s
