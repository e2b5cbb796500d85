// Which store pixel a screen position names.
#pragma once

#include <cmath>
#include <optional>

namespace qr {

struct PixelIndex {
    int x, y;
};

namespace detail {
// Clamping happens on the double, before conversion, so positions beyond
// the int range cannot overflow the conversion. For a whole-number bound,
// trunc(t) >= size exactly when t >= size, and trunc(t) < 0 only for t < 0,
// so the truncation itself is left to the conversion of an in-range value.
inline int clampedCoordinate(double s, int size) {
    const double t = s + 0.5;
    if (t >= static_cast<double>(size)) return size - 1;
    if (t < 0.0) return 0;
    return static_cast<int>(t);
}
}  // namespace detail

// The pixel of screen position (sx, sy) in a store of width x height: each
// coordinate rounded by truncating s + 0.5 toward zero, then clamped to the
// last column or row (a frame larger than the store). A position below the
// first column or row is clamped to it as well, so a host passing a position
// left of or above the frame never makes the tracer index before the
// buffers. A non-finite position names no pixel.
// Defined here so that it is inlined into the tracer's evaluate: returned
// from a call, the optional goes through memory in pieces that the caller
// reads back whole, a stall that cost a fifth of the tracer's time per pixel.
inline std::optional<PixelIndex> pixelFromScreen(double sx, double sy, int width, int height) {
    if (width <= 0 || height <= 0 || !std::isfinite(sx) || !std::isfinite(sy)) return std::nullopt;
    return PixelIndex{detail::clampedCoordinate(sx, width), detail::clampedCoordinate(sy, height)};
}

}  // namespace qr
