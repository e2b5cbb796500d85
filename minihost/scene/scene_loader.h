// Reading a scene description (JSON) into a Scene: meshes, images and item
// motion are loaded here; modules and server instances are made by the
// renderer's server set. Every fault is an InputError naming the file and,
// where it has one, the line and column.
#pragma once

#include <memory>
#include <string>

#include "minihost/scene/scene.h"

namespace minihost {

std::unique_ptr<Scene> loadScene(const std::string &path);
// The same from text; relative paths are taken from `path`'s folder.
std::unique_ptr<Scene> loadSceneText(const std::string &text, const std::string &path);

// Frame sizes a scene may ask for.
constexpr int kMaxFrameSide = 16384;
constexpr long long kMaxFramePixels = 64ll * 1024 * 1024;

}  // namespace minihost
