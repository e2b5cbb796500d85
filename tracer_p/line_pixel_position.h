// Which store pixel a screen position names.
#pragma once

#include <optional>

namespace qr {

struct PixelIndex {
    int x, y;
};

// The pixel of screen position (sx, sy) in a store of width x height: each
// coordinate rounded by truncating s + 0.5 toward zero, then clamped to the
// last column or row (a frame larger than the store). A position below the
// first column or row is clamped to it as well, so a host passing a position
// left of or above the frame never makes the tracer index before the
// buffers. A non-finite position names no pixel.
std::optional<PixelIndex> pixelFromScreen(double sx, double sy, int width, int height);

}  // namespace qr
