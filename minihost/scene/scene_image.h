// Images of a scene, read from PNG files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace minihost {

struct SceneImage {
    std::string name;  // the file's stem
    std::string path;  // as resolved when loaded
    int width = 0, height = 0;
    std::vector<float> rgb;  // row 0 at the top, 0 to 1 per channel
    bool needAA = false;     // a module asked for anti-aliased lookups

    // Black outside the image.
    void pixel(int x, int y, float out[3]) const;
    // Bilinear lookup at (u, v) in 0..1, v = 0 at the top, wrapping in u.
    void sample(double u, double v, double out[3]) const;
};

// The most pixels an image may have (8192 x 8192): its floats take 768 MB.
inline constexpr long long kMaxImagePixels = 64ll * 1024 * 1024;

// The memory an image of width x height pixels takes while it is decoded:
// its floats, the decoder's bytes and the decoder's working copy.
std::size_t imageDecodeBytes(int width, int height);

// Whether memory holds an image that takes `bytes` to decode: "" when it
// does, else the budget it would pass, in words ("the 480 MB budget (...)").
using ImageMemoryCheck = std::function<std::string(std::size_t bytes)>;

// Throws InputError naming the file when it is missing, not a regular file
// within kMaxImageFileBytes, larger than kMaxImagePixels by its header, or
// not a readable image; and, when `fits` refuses it, naming the size, the
// need and the budget. Size and memory are checked from the header, before
// anything is decoded.
SceneImage loadSceneImage(const std::string &path, const ImageMemoryCheck &fits = {});

}  // namespace minihost
