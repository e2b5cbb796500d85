#include "tracer_p/line_pixel_position.h"

#include <cmath>

namespace qr {
namespace {

// Clamping happens on the double, before conversion, so positions beyond
// the int range cannot overflow the conversion. For a whole-number bound,
// trunc(t) >= size exactly when t >= size, and trunc(t) < 0 only for t < 0,
// so the truncation itself is left to the conversion of an in-range value.
int clampedCoordinate(double s, int size) {
    const double t = s + 0.5;
    if (t >= static_cast<double>(size)) return size - 1;
    if (t < 0.0) return 0;
    return static_cast<int>(t);
}

}  // namespace

std::optional<PixelIndex> pixelFromScreen(double sx, double sy, int width, int height) {
    if (width <= 0 || height <= 0 || !std::isfinite(sx) || !std::isfinite(sy)) return std::nullopt;
    return PixelIndex{clampedCoordinate(sx, width), clampedCoordinate(sy, height)};
}

}  // namespace qr
