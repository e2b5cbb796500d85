// Shading of a whole frame: one camera ray through every pixel centre, in
// tiles spread over worker threads. Each pixel's result depends only on the
// pixel, so the image is the same on any number of threads.
#pragma once

#include <functional>

#include "minihost/render/frame_buffer.h"
#include "minihost/render/frame_state.h"

namespace minihost {

// Shades the frame into `out` (resized to the frame). `progress` is called
// from the workers with the number of tiles done of `total`. False when
// aborted (Ctrl-C) before every tile was shaded.
bool shadeFrame(const FrameState &frame, FrameBuffer &out, int threads,
                const std::function<void(unsigned done, unsigned total)> &progress = {});

// The colour, alpha and depth of one pixel.
void shadePixel(const FrameState &frame, int x, int y, FrameBuffer &out);

constexpr int kTileSize = 32;

}  // namespace minihost
