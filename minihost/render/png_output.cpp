#include "minihost/render/png_output.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <string>
#include <vector>

#include "minihost/files/atomic_file.h"

namespace minihost {

namespace {

unsigned char toByte(float v) {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return static_cast<unsigned char>(std::lround(v * 255.0f));
}

// libpng's output: the encoded bytes are appended to a string. An append
// that cannot grow the string reports through libpng's own error path: no
// exception may unwind through libpng's C frames, which expect a longjmp.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::string *>(png_get_io_ptr(png));
    try {
        out->append(reinterpret_cast<const char *>(data), length);
    } catch (...) {
        png_error(png, "out of memory");
    }
}
void flushNothing(png_structp) {}

// Text chunks of the tags: tEXt for plain ASCII, iTXt (UTF-8) for the rest.
// The strings stay alive in `values` while libpng reads them.
std::vector<png_text> textChunks(const FrameTags &tags, std::vector<std::string> &values) {
    std::vector<png_text> chunks;
    if (tags.pixelHash.empty()) return chunks;
    values = {
        "frame",       std::to_string(tags.frame), "camera", tags.camera, "scene", tags.scene, "pixelHash",
        tags.pixelHash};
    for (std::size_t i = 0; i < values.size(); i += 2) {
        if (values[i + 1].empty()) continue;
        const bool ascii = std::all_of(values[i + 1].begin(), values[i + 1].end(),
                                       [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
        png_text text{};
        text.compression = ascii ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
        text.key = values[i].data();
        text.text = values[i + 1].data();
        text.text_length = ascii ? values[i + 1].size() : 0;
        text.itxt_length = ascii ? 0 : values[i + 1].size();
        chunks.push_back(text);
    }
    return chunks;
}

// libpng reports errors by longjmp; nothing with a destructor lives between
// setjmp and the calls that may jump.
bool encode(std::string &out, const RgbaImage &image, int compression, std::vector<png_text> &texts) {
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
    if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
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

bool writePng(const RgbaImage &image, const std::string &path, int compression, std::string &error,
              const FrameTags &tags) {
    if (image.width <= 0 || image.height <= 0) {
        error = path + ": an empty frame cannot be written";
        return false;
    }
    compression = std::clamp(compression, 0, kMaxPngCompression);
    std::string encoded;
    std::vector<std::string> values;
    std::vector<png_text> texts = textChunks(tags, values);
    if (!encode(encoded, image, compression, texts)) {
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

}  // namespace minihost
