// The image formats minihost writes, chosen by the output's extension, and
// whether a file already written is whole (for --skip-existing).
#pragma once

#include <string>

namespace minihost {

enum class ImageFormat { Png, Exr };

// ".exr" (in any case) is OpenEXR; every other name is PNG.
ImageFormat imageFormatOf(const std::string &path);

// A regular file of the format its name gives, whole: a PNG from its
// signature to its closing IEND chunk, an OpenEXR file with every pixel.
bool isCompleteImage(const std::string &path);

}  // namespace minihost
