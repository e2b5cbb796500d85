// Frames as PNG files with alpha.
#pragma once

#include <string>

#include "minihost/render/frame_buffer.h"

namespace minihost {

// Writes 8-bit RGBA (values clamped to 0..1 and rounded). The file is written
// beside the target under a temporary name and renamed over it only when
// complete, so a failure never leaves a damaged or half-written file.
bool writePng(const FrameBuffer &frame, const std::string &path, std::string &error);

// The output name of a frame: `base` itself for a single frame, else the
// frame number (four digits at least) before the extension:
// "out.png" -> "out.0007.png".
std::string frameFileName(const std::string &base, int frame, bool range);

}  // namespace minihost
