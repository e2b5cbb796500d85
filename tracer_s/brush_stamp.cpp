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

// The sub-columns of one sub-row whose sample points may lie in the ellipse
// (first to last), and among them those that certainly do (innerFirst to
// innerLast), as global sub-column indices; a range is empty when its first
// exceeds its last.
struct SubSpan {
    long long first, last;
    long long innerFirst, innerLast;
};

// The smallest index at or above v, at least 0 and at most 4e18; v is a
// number. The same as clamping std::ceil(v), without the rounding calls that
// the baseline instruction set makes slow: a conversion truncates towards
// zero, which for 0 < v < 4e18 is the floor, exact as a double whenever v has
// a fraction (below 2^52).
long long firstIndexAtOrAbove(double v) {
    if (v <= 0.0) return 0;
    if (v >= 4e18) return static_cast<long long>(4e18);
    const long long t = static_cast<long long>(v);
    return t + (static_cast<double>(t) < v ? 1 : 0);
}
// The largest index at or below v, at least -1 and at most top; v is a number.
// The same as clamping std::floor(v): below zero (-0.0 is not) the floor is
// at most -1, at or above it the conversion's truncation is the floor.
long long lastIndexAtOrBelow(double v, long long top) {
    if (v >= static_cast<double>(top)) return top;
    if (v < 0.0) return -1;
    return static_cast<long long>(v);
}

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

// A sub-row's span half-widths, kept per stamp for the sub-rows up to
// kKnownHalves / 8 cells from the centre (farther ones share the last slot).
struct Halves {
    bool known;
    bool innerExists;
    double eighths;  // |dy| x 8, which sub-row pair they belong to
    double outer, inner;
};
constexpr int kKnownHalves = 96;

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
    // by a margin far larger than any rounding and every point in it but its
    // inner part is tested exactly; the inner part, computed for a slightly
    // smaller ellipse and narrowed by the same margin, holds only points whose
    // exact test cannot fail. When the form is too flat or not finite, every
    // sub-column is tested.
    const double qa = cosA * cosA + k * k * sinA * sinA;
    const double qb = cosA * sinA * (k * k - 1.0);
    const double firstDx = static_cast<double>(col0) + kSubOffset - centreX;
    const double margin = 1e-5 * shape.radius + 1e-9;
    const double innerR2 = r2 - 1e-6 * (shape.radius + 2.0) * (shape.radius + 2.0);
    const bool spansUsable = qa >= 1e-2 && shape.radius >= 1e-3 && std::isfinite(qa) && std::isfinite(qb) &&
                             std::isfinite(r2) && std::isfinite(k) && k > 0.0;
    // The spans need no exact arithmetic (their margins absorb any rounding),
    // so divisions become multiplications.
    const double invQa = 1.0 / qa;
    // Sub-rows farther from the centre than the ellipse reaches (plus the
    // margin) hold no point at all.
    const double reachY = spansUsable ? shape.radius * std::sqrt(qa) / k + margin : 0.0;
    // The half-widths of the span and its inner part at sub-row offset dy.
    // They depend on dy * dy alone, and the sub-rows lie at odd multiples of
    // 1/8 from the centre, in pairs of opposite sign: each pair's square roots
    // are taken once (the same bits for both, as dy * dy is).
    Halves known[kKnownHalves];
    const long long slotsUsed = std::min<long long>(kKnownHalves, 8 * (n + 1));
    for (long long slot = 0; slot < slotsUsed; ++slot) known[slot].known = false;
    auto halvesOf = [&](double dy) -> const Halves & {
        const double eighths = std::abs(dy) * 8.0;
        const int slot = eighths < static_cast<double>(slotsUsed) ? static_cast<int>(eighths)
                                                                  : static_cast<int>(slotsUsed) - 1;
        Halves &h = known[slot];
        if (h.known && h.eighths == eighths) return h;
        const double disc = qa * r2 - k * k * dy * dy;
        const double innerDisc = qa * innerR2 - k * k * dy * dy;
        h.known = true;
        h.eighths = eighths;
        h.outer = disc > 0.0 ? std::sqrt(disc) * invQa : 0.0;
        h.innerExists = innerDisc > 0.0;
        h.inner = h.innerExists ? std::sqrt(innerDisc) * invQa : 0.0;
        return h;
    };
    auto spanOf = [&](double dy) -> SubSpan {
        const SubSpan everything{0, subCols - 1, 0, -1};
        if (!spansUsable) return everything;
        if (std::abs(dy) > reachY) return SubSpan{0, -1, 0, -1};
        const double centre = -qb * dy * invQa;
        const Halves &h = halvesOf(dy);
        const double half = h.outer;
        const double lo = (centre - half - margin - firstDx) * 4.0;
        const double hi = (centre + half + margin - firstDx) * 4.0;
        if (!(lo <= hi)) return everything;
        SubSpan span{firstIndexAtOrAbove(lo), lastIndexAtOrBelow(hi, subCols - 1), 0, -1};
        if (h.innerExists) {
            const double innerHalf = h.inner;
            const double innerLo = (centre - innerHalf + margin - firstDx) * 4.0;
            const double innerHi = (centre + innerHalf - margin - firstDx) * 4.0;
            if (innerLo <= innerHi) {
                span.innerFirst = firstIndexAtOrAbove(innerLo);
                span.innerLast = lastIndexAtOrBelow(innerHi, subCols - 1);
            }
        }
        return span;
    };

    const size_t centreIndex = store.index(x, y);
    const float centreDepth = store.depth[centreIndex];
    const double centreY = y + 0.5;
    for (long long ty = row0; ty <= row1; ++ty) {
        if (spansUsable &&
            (static_cast<double>(ty) + 1.0 - centreY < -reachY || static_cast<double>(ty) - centreY > reachY))
            continue;  // the whole target row lies beyond the ellipse
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
            long long count = 0;
            for (int j = 0; j < 4; ++j) {
                const long long g0 = std::max(span[j].first, 4 * t);
                const long long g1 = std::min(span[j].last, 4 * t + 3);
                if (g0 > g1) continue;
                auto test = [&](long long from, long long to) {
                    for (long long g = from; g <= to; ++g) {
                        const double u = cosDx[g] - sinDy[j];
                        const double v = (sinDx[g] + cosDy[j]) * k;
                        if (u * u + v * v <= r2) ++count;
                    }
                };
                const long long i0 = std::max(g0, span[j].innerFirst);
                const long long i1 = std::min(g1, span[j].innerLast);
                if (i0 <= i1) {
                    count += i1 - i0 + 1;
                    test(g0, i0 - 1);
                    test(i1 + 1, g1);
                } else {
                    test(g0, g1);
                }
            }
            if (count > 0) blendCell(draw + 4 * target, static_cast<double>(count) * kPointCoverage, line);
        }
    }
}

}  // namespace qr::tracer_s
