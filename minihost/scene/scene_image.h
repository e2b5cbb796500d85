// Images of a scene, read from PNG files.
#pragma once

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

// Throws InputError naming the file when it is missing, not a regular file
// within kMaxImageFileBytes, larger than kMaxImagePixels by its header
// (checked before decoding), or not a readable image.
SceneImage loadSceneImage(const std::string &path);

}  // namespace minihost
