// Reading a model file of one of the formats of asset_formats.h.
#pragma once

#include <string>

#include "minihost/assets/asset_records.h"

namespace minihost {

// Throws InputError naming the file when it cannot be read, is not of its
// format, is damaged (an index out of range, a coordinate that is not
// finite, a node that contains itself), or has no faces to draw (empty, or
// points and lines only). The file must be a regular file within
// kMaxMeshFileBytes.
Asset readAsset(const std::string &path);

}  // namespace minihost
