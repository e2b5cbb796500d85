#include "minihost/render/png_output.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <string>

#include "minihost/files/atomic_file.h"

namespace minihost {

namespace {

unsigned char toByte(float v) {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return static_cast<unsigned char>(std::lround(v * 255.0f));
}

// libpng's output: the encoded bytes are appended to a string. An append
// that cannot grow the string reports through libpng's own error path.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::string *>(png_get_io_ptr(png));
    try {
        out->append(reinterpret_cast<const char *>(data), length);
    } catch (...) {
        png_error(png, "out of memory");
    }
}
void flushNothing(png_structp) {}

// libpng reports errors by longjmp; nothing with a destructor lives between
// setjmp and the calls that may jump.
bool encode(std::string &out, const RgbaImage &image, int compression) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, compression);
    // One cheap filter at the fast levels (trying all five per row costs more
    // than the compression it saves there); libpng's own choice above.
    if (compression <= 3)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, compression == 0 ? PNG_FILTER_NONE : PNG_FILTER_SUB);
    png_write_info(png, info);
    const size_t stride = 4 * static_cast<size_t>(image.width);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, image.pixels.data() + stride * static_cast<size_t>(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

RgbaImage toRgba8(const FrameBuffer &frame) {
    RgbaImage image;
    if (frame.width <= 0 || frame.height <= 0) return image;
    image.width = frame.width;
    image.height = frame.height;
    image.pixels.resize(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height) * 4);
    for (size_t i = 0, n = image.pixels.size() / 4; i < n; ++i) {
        image.pixels[4 * i] = toByte(frame.red[i]);
        image.pixels[4 * i + 1] = toByte(frame.green[i]);
        image.pixels[4 * i + 2] = toByte(frame.blue[i]);
        image.pixels[4 * i + 3] = toByte(frame.alpha[i]);
    }
    return image;
}

bool writePng(const RgbaImage &image, const std::string &path, int compression, std::string &error) {
    if (image.width <= 0 || image.height <= 0) {
        error = path + ": an empty frame cannot be written";
        return false;
    }
    compression = std::clamp(compression, 0, kMaxPngCompression);
    std::string encoded;
    if (!encode(encoded, image, compression)) {
        error = path + ": cannot encode the image";
        return false;
    }
    return writeFileAtomically(path, encoded, error);
}

bool writePng(const FrameBuffer &frame, const std::string &path, std::string &error, int compression) {
    if (frame.width <= 0 || frame.height <= 0) {
        error = path + ": an empty frame cannot be written";
        return false;
    }
    return writePng(toRgba8(frame), path, compression, error);
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
