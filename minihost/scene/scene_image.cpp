#include "minihost/scene/scene_image.h"

#include <cmath>
#include <filesystem>
#include <memory>

#include <stb/stb_image.h>

#include "minihost/files/checked_read.h"
#include "minihost/files/input_error.h"

namespace minihost {

void SceneImage::pixel(int x, int y, float out[3]) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        out[0] = out[1] = out[2] = 0.0f;
        return;
    }
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    out[0] = rgb[i];
    out[1] = rgb[i + 1];
    out[2] = rgb[i + 2];
}

void SceneImage::sample(double u, double v, double out[3]) const {
    out[0] = out[1] = out[2] = 0.0;
    if (width <= 0 || height <= 0 || !std::isfinite(u) || !std::isfinite(v)) return;
    u -= std::floor(u);
    v = std::fmin(std::fmax(v, 0.0), 1.0);
    const double fx = u * width - 0.5, fy = v * height - 0.5;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const double tx = fx - x0, ty = fy - y0;
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            const int x = ((x0 + dx) % width + width) % width;
            const int y = std::min(std::max(y0 + dy, 0), height - 1);
            float c[3];
            pixel(x, y, c);
            const double w = (dx ? tx : 1 - tx) * (dy ? ty : 1 - ty);
            for (int k = 0; k < 3; ++k) out[k] += w * c[k];
        }
}

std::size_t imageDecodeBytes(int width, int height) {
    // Three floats a pixel kept, three bytes decoded, and up to four a pixel
    // of the decoder's own inflated copy.
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * (3 * sizeof(float) + 3 + 4);
}

SceneImage loadSceneImage(const std::string &path, const ImageMemoryCheck &fits) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw InputError({path}, "no such image file");
    std::string bytes, why;
    if (!readRegularFile(path, kMaxImageFileBytes, bytes, why)) throw InputError({path}, why);
    const auto *encoded = reinterpret_cast<const stbi_uc *>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int w = 0, h = 0, channels = 0;
    // The size from the header, before anything is decoded: a small file may
    // claim a huge image.
    if (stbi_info_from_memory(encoded, length, &w, &h, &channels) &&
        static_cast<long long>(w) * h > kMaxImagePixels)
        throw InputError({path}, "an image of " + std::to_string(w) + " x " + std::to_string(h) +
                                     " pixels is larger than the limit of " +
                                     std::to_string(kMaxImagePixels) + " pixels");
    if (fits && w > 0 && h > 0) {
        const std::size_t need = imageDecodeBytes(w, h);
        const std::string budget = fits(need);
        if (!budget.empty())
            throw InputError({path}, "an image of " + std::to_string(w) + " x " + std::to_string(h) +
                                         " pixels needs " + std::to_string((need + (1 << 20) - 1) >> 20) +
                                         " MB to decode, more than " + budget);
    }
    const std::unique_ptr<unsigned char, void (*)(void *)> data(
        stbi_load_from_memory(encoded, length, &w, &h, &channels, 3), stbi_image_free);
    if (!data) {
        const char *reason = stbi_failure_reason();
        throw InputError({path},
                         std::string("not a readable image: ") + (reason ? reason : "unknown format"));
    }
    SceneImage image;
    image.width = w;
    image.height = h;
    image.rgb.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    for (size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = data.get()[i] / 255.0f;
    image.path = path;
    image.name = std::filesystem::path(path).stem().string();
    return image;
}

}  // namespace minihost
