#include "minihost/assets/asset_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace minihost {

namespace {

constexpr std::array<std::string_view, 7> kAssetExtensions = {".gltf", ".glb", ".fbx", ".dae",
                                                              ".ply",  ".stl", ".3ds"};

std::string lowerExtension(const std::string &path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace

bool isAssetFile(const std::string &path) {
    const std::string ext = lowerExtension(path);
    return std::find(kAssetExtensions.begin(), kAssetExtensions.end(), ext) != kAssetExtensions.end();
}

bool isGltfFile(const std::string &path) {
    const std::string ext = lowerExtension(path);
    return ext == ".gltf" || ext == ".glb";
}

bool isObjFile(const std::string &path) { return lowerExtension(path) == ".obj"; }

std::string meshFormatsText() {
    return "Wavefront OBJ (.obj), glTF 2.0 (.gltf, .glb), FBX (.fbx), COLLADA (.dae), PLY (.ply), "
           "STL (.stl), 3DS (.3ds)";
}

}  // namespace minihost
