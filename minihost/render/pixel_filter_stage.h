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

// False when aborted (Ctrl-C) before the stage finished.
bool runPixelFilters(const FrameState &frame, const std::vector<LiveUse> &filters, FrameBuffer &buffer,
                     const std::function<void(unsigned done, unsigned total)> &progress = {});

}  // namespace minihost
