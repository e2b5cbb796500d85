// Frames as OpenEXR files: R, G, B and A in half floats (or 32-bit floats),
// Z from the depth buffer in 32-bit floats with +infinity where nothing was
// hit, ZIP compression, and the frame's tags in the header. Colours are
// those of the PNG before it clamps them: values above 1 are kept, the
// alpha is the same, and the colour is not multiplied by the alpha.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "minihost/render/frame_buffer.h"
#include "minihost/render/frame_tags.h"

namespace minihost {

// The channels as written, taken from a frame.
struct ExrImage {
    int width = 0, height = 0;
    bool fullFloat = false;
    std::vector<uint16_t> halfRgba[4];  // R, G, B, A as half floats' bits, unless fullFloat
    std::vector<float> floatRgba[4];    // R, G, B, A when fullFloat
    std::vector<float> depth;           // Z
};

ExrImage toExrImage(const FrameBuffer &frame, bool fullFloat);

// Writes beside the target and renames it when complete, as for PNG files.
// The header holds "frame" (int), "camera", "scene" and "pixelHash"
// (strings) when the tags have them.
bool writeExr(const ExrImage &image, const FrameTags &tags, const std::string &path, std::string &error);

// Whether `path` is an OpenEXR file of `width` x `height` pixels whose every
// pixel is there and decodes; where it holds a pixel hash and 32-bit colour,
// the hash must match its pixels.
bool isCompleteExr(const std::string &path, int width, int height);

}  // namespace minihost
