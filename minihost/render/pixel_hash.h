// A fingerprint of a frame's pixels, the same whatever format the frame is
// written in, so that two machines' frames can be compared by their files'
// headers or their run reports alone.
#pragma once

#include <string>

#include "minihost/render/frame_buffer.h"

namespace minihost {

// "xxh3-128:" and 32 hexadecimal digits: XXH3's 128-bit hash (canonical,
// most significant byte first) of the planes red, green, blue, alpha and
// depth in that order, each as 32-bit IEEE floats, least significant byte
// first, rows from the top; depth beyond 1e14 (nothing hit) counts as +infinity.
// The colour is straight (not multiplied by the alpha): these are exactly the
// channels R, G, B, A and Z of the frame's 32-bit straight OpenEXR file
// (`--exr-float --exr-straight`), so the hash can be checked from that file.
std::string framePixelHash(const FrameBuffer &frame);

// The depth as written to files: +infinity where nothing was hit (beyond
// 1e14), as compositors expect.
float depthForFiles(float depth);

}  // namespace minihost
