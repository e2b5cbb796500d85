// The span of a brush stamp on one sub-row: the sub-columns whose sample
// points the stamp's ellipse may cover there, and among them those it covers
// for certain. The stamps test only the points of the span, and count the
// certain ones without a test.
#pragma once

#include "tracer_s/brush_stamp.h"

namespace qr::tracer_s {

// Sample points inside a target cell: 4 x 4, at these offsets.
inline constexpr double kSubOffset = 0.125;
inline constexpr double kSubStep = 0.25;

// Global sub-column indices (4 per target column, from the stamp's first
// target column): first to last may lie in the ellipse, innerFirst to
// innerLast certainly do. A range is empty when its first exceeds its last.
struct SubSpan {
    long long first, last;
    long long innerFirst, innerLast;
};

// The spans of one stamp's sub-rows. With Q(dx) = a dx^2 + 2 b dy dx + c dy^2
// the ellipse's quadratic form (determinant k^2), a sub-row meets the ellipse
// for dx within -b dy / a +- sqrt(a R^2 - k^2 dy^2) / a. The span is widened
// by a margin far larger than any rounding, so no point the exact test would
// take lies outside it; the inner part, computed for a slightly smaller
// ellipse and narrowed by the same margin, holds only points whose exact test
// cannot fail. When the form is too flat or not finite, the span is every
// sub-column.
class StampSpans {
public:
    // The stamp `shape` (with cosA, sinA of its angle) centred at horizontal
    // position centreX, over the sub-columns 0 .. subCols - 1 of the target
    // columns from col0 on.
    StampSpans(const StampShape &shape, double cosA, double sinA, double centreX, long long col0,
               long long subCols) noexcept;
    StampSpans(const StampSpans &) = delete;
    StampSpans &operator=(const StampSpans &) = delete;

    // False when every sub-column is tested.
    bool usable() const noexcept { return usable_; }
    // How far above and below its centre the ellipse reaches, margin
    // included: sub-rows farther away hold no point. 0 when not usable.
    double reachY() const noexcept { return reachY_; }

    // The span of the sub-row at vertical offset dy from the centre.
    SubSpan spanOf(double dy) noexcept;

private:
    // A sub-row's half-widths. They depend on dy * dy alone, and the
    // sub-rows lie at odd multiples of 1/8 from the centre, in pairs of
    // opposite sign: each pair's square roots are taken once (the same bits
    // for both, as dy * dy is), kept for the sub-rows up to kKnownHalves / 8
    // cells from the centre (farther ones share the last slot).
    struct Halves {
        bool known;
        bool innerExists;
        double eighths;  // |dy| x 8, which sub-row pair they belong to
        double outer, inner;
    };
    static constexpr int kKnownHalves = 96;

    const Halves &halvesOf(double dy) noexcept;

    double r2_, k_, qa_, qb_, invQa_, firstDx_, margin_, innerR2_;
    long long subCols_;
    int slotsUsed_;
    bool usable_;
    double reachY_;
    Halves known_[kKnownHalves];
};

}  // namespace qr::tracer_s
