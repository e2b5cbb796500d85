#include "minihost/render/image_files.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "minihost/render/exr_output.h"

namespace minihost {

namespace {

// The 8-byte signature, and the empty IEND chunk that closes every PNG.
bool isCompletePng(const std::string &path) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    static const unsigned char kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};
    std::ifstream in(path, std::ios::binary);
    char head[8], tail[12];
    if (!in.read(head, sizeof head)) return false;
    if (!in.seekg(-static_cast<std::streamoff>(sizeof tail), std::ios::end) || !in.read(tail, sizeof tail))
        return false;
    return std::memcmp(head, kSignature, sizeof head) == 0 && std::memcmp(tail, kEnd, sizeof tail) == 0;
}

}  // namespace

ImageFormat imageFormatOf(const std::string &path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".exr" ? ImageFormat::Exr : ImageFormat::Png;
}

bool isCompleteImage(const std::string &path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    return imageFormatOf(path) == ImageFormat::Exr ? isCompleteExr(path) : isCompletePng(path);
}

}  // namespace minihost
