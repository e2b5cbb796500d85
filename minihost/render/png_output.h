// Frames as PNG files with alpha: the one place where minihost encodes and
// writes its images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "minihost/render/frame_buffer.h"
#include "minihost/render/frame_tags.h"

namespace minihost {

// zlib's levels: 0 stores, 1 is the fastest that compresses, 9 the smallest.
// The default favours speed: a 1080p frame is written in a few tens of
// milliseconds and is about a third larger than at level 9.
constexpr int kDefaultPngCompression = 1;
constexpr int kMaxPngCompression = 9;

// An 8-bit RGBA image, four bytes a pixel, rows from the top.
struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

// The frame's channels clamped to 0..1 and rounded to bytes.
RgbaImage toRgba8(const FrameBuffer &frame);

// Writes 8-bit RGBA. The file is written beside the target under a
// temporary name and renamed over it only when complete, so a failure never
// leaves a damaged or half-written file. Tags with a pixel hash go into text
// chunks "frame", "camera", "scene" and "pixelHash".
bool writePng(const RgbaImage &image, const std::string &path, int compression, std::string &error,
              const FrameTags &tags = {});
bool writePng(const FrameBuffer &frame, const std::string &path, std::string &error,
              int compression = kDefaultPngCompression);

}  // namespace minihost
