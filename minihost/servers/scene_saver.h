// Saving a scene back: the document as read, with every shader's and
// filter's settings replaced by the instance's own saved data (text
// representation, one array element per line) and every file path made
// relative to the new file.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "minihost/scene/scene.h"

namespace minihost {

class ServerSet;

nlohmann::ordered_json savedSceneDocument(const Scene &scene, const ServerSet &servers,
                                          const std::string &newPath);

// Writes beside the target and renames, so a failure leaves an existing file
// as it was.
bool saveScene(const Scene &scene, const ServerSet &servers, const std::string &path, std::string &error);

}  // namespace minihost
