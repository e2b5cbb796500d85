// Image filters: each filter's process once per frame, after the pixel
// filters. A filter reads the image as it came (get-line) and writes the
// result (write-RGB, write-alpha); the next filter sees that result.
#pragma once

#include <vector>

#include "minihost/render/frame_buffer.h"
#include "minihost/servers/live_uses.h"

namespace minihost {

void runImageFilters(const std::vector<LiveUse> &filters, FrameBuffer &buffer, int frame, double start,
                     double end);

}  // namespace minihost
