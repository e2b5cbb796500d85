#include "tracer_s/stamp_span.h"

#include <algorithm>
#include <cmath>

namespace qr::tracer_s {

namespace {

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

}  // namespace

StampSpans::StampSpans(const StampShape &shape, double cosA, double sinA, double centreX, long long col0,
                       long long subCols) noexcept
        : r2_(shape.radius * shape.radius),
          k_(shape.squash),
          qa_(cosA * cosA + k_ * k_ * sinA * sinA),
          qb_(cosA * sinA * (k_ * k_ - 1.0)),
          // The spans need no exact arithmetic (their margins absorb any
          // rounding), so divisions become multiplications.
          invQa_(1.0 / qa_),
          firstDx_(static_cast<double>(col0) + kSubOffset - centreX),
          margin_(1e-5 * shape.radius + 1e-9),
          innerR2_(r2_ - 1e-6 * (shape.radius + 2.0) * (shape.radius + 2.0)),
          subCols_(subCols),
          slotsUsed_(static_cast<int>(std::min<long long>(kKnownHalves, 8 * (shape.reach + 1)))),
          usable_(qa_ >= 1e-2 && shape.radius >= 1e-3 && std::isfinite(qa_) && std::isfinite(qb_) &&
                  std::isfinite(r2_) && std::isfinite(k_) && k_ > 0.0),
          reachY_(usable_ ? shape.radius * std::sqrt(qa_) / k_ + margin_ : 0.0) {
    for (int slot = 0; slot < slotsUsed_; ++slot) known_[slot].known = false;
}

const StampSpans::Halves &StampSpans::halvesOf(double dy) noexcept {
    const double eighths = std::abs(dy) * 8.0;
    const int slot = eighths < static_cast<double>(slotsUsed_) ? static_cast<int>(eighths) : slotsUsed_ - 1;
    Halves &h = known_[slot];
    if (h.known && h.eighths == eighths) return h;
    const double disc = qa_ * r2_ - k_ * k_ * dy * dy;
    const double innerDisc = qa_ * innerR2_ - k_ * k_ * dy * dy;
    h.known = true;
    h.eighths = eighths;
    h.outer = disc > 0.0 ? std::sqrt(disc) * invQa_ : 0.0;
    h.innerExists = innerDisc > 0.0;
    h.inner = h.innerExists ? std::sqrt(innerDisc) * invQa_ : 0.0;
    return h;
}

SubSpan StampSpans::spanOf(double dy) noexcept {
    const SubSpan everything{0, subCols_ - 1, 0, -1};
    if (!usable_) return everything;
    if (std::abs(dy) > reachY_) return SubSpan{0, -1, 0, -1};
    const double centre = -qb_ * dy * invQa_;
    const Halves &h = halvesOf(dy);
    const double half = h.outer;
    const double lo = (centre - half - margin_ - firstDx_) * 4.0;
    const double hi = (centre + half + margin_ - firstDx_) * 4.0;
    if (!(lo <= hi)) return everything;
    SubSpan span{firstIndexAtOrAbove(lo), lastIndexAtOrBelow(hi, subCols_ - 1), 0, -1};
    if (h.innerExists) {
        const double innerHalf = h.inner;
        const double innerLo = (centre - innerHalf + margin_ - firstDx_) * 4.0;
        const double innerHi = (centre + innerHalf - margin_ - firstDx_) * 4.0;
        if (innerLo <= innerHi) {
            span.innerFirst = firstIndexAtOrAbove(innerLo);
            span.innerLast = lastIndexAtOrBelow(innerHi, subCols_ - 1);
        }
    }
    return span;
}

}  // namespace qr::tracer_s
