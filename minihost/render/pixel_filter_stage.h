// Pixel filters: each filter's evaluate for every pixel of the frame, in
// raster order, on the calling thread, after shading. The pixel access gives
// the pixel's position exactly as (x, y), its depth and colour, colour
// writes, and the host's ray functions.
#pragma once

#include <functional>
#include <vector>

#include "minihost/render/frame_buffer.h"
#include "minihost/render/frame_state.h"

namespace minihost {

// False when aborted (Ctrl-C) before the stage finished. With `alone`, each
// filter's evaluate runs a second time on each pixel, right after the first,
// over that pixel of `alone`: a filter that keeps its state in a store
// finds it as the first call left it, so over a black image with alpha 0 it
// draws its own lines alone.
bool runPixelFilters(const FrameState &frame, const std::vector<LiveUse> &filters, FrameBuffer &buffer,
                     const std::function<void(unsigned done, unsigned total)> &progress = {},
                     FrameBuffer *alone = nullptr);

}  // namespace minihost
