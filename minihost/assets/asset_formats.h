// The model formats minihost reads besides OBJ, by file extension.
#pragma once

#include <string>

namespace minihost {

// True for a path whose extension (any case) names a format read by
// readAsset: .gltf .glb .fbx .dae .ply .stl .3ds.
bool isAssetFile(const std::string &path);
// True for a glTF file (.gltf or .glb, any case).
bool isGltfFile(const std::string &path);
// True for an OBJ file (.obj, any case).
bool isObjFile(const std::string &path);
// The formats a mesh file may have, for messages that refuse another one.
std::string meshFormatsText();

}  // namespace minihost
