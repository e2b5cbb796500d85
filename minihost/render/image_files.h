// The image formats minihost writes, chosen by the output's extension, and
// whether a file already written is whole (for --skip-existing).
#pragma once

#include <string>

namespace minihost {

enum class ImageFormat { Png, Exr };

// ".exr" (in any case) is OpenEXR; every other name is PNG.
ImageFormat imageFormatOf(const std::string &path);

// A regular file of the format its name gives, of `width` x `height`
// pixels, that decodes whole: a PNG whose every chunk's CRC holds, from its
// signature to its closing IEND chunk; an OpenEXR file whose every block
// decodes and, where it holds 32-bit colour, whose pixel hash matches its
// pixels. A damaged frame is rendered again rather than kept.
bool isCompleteImage(const std::string &path, int width, int height);

}  // namespace minihost
