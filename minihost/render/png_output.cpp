#include "minihost/render/png_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <stb/stb_image_write.h>

#include "minihost/files/atomic_file.h"

namespace minihost {

namespace {

unsigned char toByte(float v) {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return static_cast<unsigned char>(std::lround(v * 255.0f));
}

}  // namespace

bool writePng(const FrameBuffer &frame, const std::string &path, std::string &error) {
    if (frame.width <= 0 || frame.height <= 0) {
        error = path + ": an empty frame cannot be written";
        return false;
    }
    std::vector<unsigned char> pixels(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height) *
                                      4);
    for (size_t i = 0, n = pixels.size() / 4; i < n; ++i) {
        pixels[4 * i] = toByte(frame.red[i]);
        pixels[4 * i + 1] = toByte(frame.green[i]);
        pixels[4 * i + 2] = toByte(frame.blue[i]);
        pixels[4 * i + 3] = toByte(frame.alpha[i]);
    }
    std::string encoded;
    auto append = [](void *context, void *data, int size) {
        static_cast<std::string *>(context)->append(static_cast<const char *>(data),
                                                    static_cast<size_t>(size));
    };
    if (!stbi_write_png_to_func(append, &encoded, frame.width, frame.height, 4, pixels.data(),
                                frame.width * 4)) {
        error = path + ": cannot encode the image";
        return false;
    }
    return writeFileAtomically(path, encoded, error);
}

std::string frameFileName(const std::string &base, int frame, bool range) {
    if (!range) return base;
    const std::filesystem::path p(base);
    char number[32];
    std::snprintf(number, sizeof number, "%04d", frame);
    const std::string stem = p.stem().string(), ext = p.extension().string();
    return (p.parent_path() / (stem + "." + number + (ext.empty() ? ".png" : ext))).string();
}

}  // namespace minihost
