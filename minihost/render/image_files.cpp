#include "minihost/render/image_files.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "minihost/render/exr_output.h"

namespace minihost {

namespace {

// libpng reports errors by longjmp, back into pngDecodes.
[[noreturn]] void failDecoding(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

// The whole PNG decoded, row by row, up to its closing chunk: every chunk's
// CRC checked (ancillary ones too, so a damaged text chunk counts) and the
// compressed pixels inflated, at the size the frame has. Nothing with a
// destructor is made between setjmp and the calls that may jump.
bool pngDecodes(std::FILE *file, int width, int height) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failDecoding, ignoreWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    const auto row = std::make_unique<std::vector<png_byte>>();
    bool whole = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
        png_init_io(png, file);
        png_read_info(png, info);
        if (static_cast<long long>(png_get_image_width(png, info)) == width &&
            static_cast<long long>(png_get_image_height(png, info)) == height) {
            const int passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
            row->resize(png_get_rowbytes(png, info));
            for (int pass = 0; pass < passes; ++pass)
                for (int y = 0; y < height; ++y) png_read_row(png, row->data(), nullptr);
            png_read_end(png, nullptr);
            whole = true;
        }
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return whole;
}

bool isCompletePng(const std::string &path, int width, int height) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    const bool whole = pngDecodes(file, width, height);
    std::fclose(file);
    return whole;
}

}  // namespace

ImageFormat imageFormatOf(const std::string &path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".exr" ? ImageFormat::Exr : ImageFormat::Png;
}

bool isCompleteImage(const std::string &path, int width, int height) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    return imageFormatOf(path) == ImageFormat::Exr ? isCompleteExr(path, width, height)
                                                   : isCompletePng(path, width, height);
}

}  // namespace minihost
