// Pieces of the scene reader shared by its files.
#pragma once

#include "minihost/scene/json_reader.h"
#include "minihost/scene/scene.h"

namespace minihost {

// A path of the document, resolved against the scene's folder; the field is
// remembered so that a saved scene can rewrite it.
std::string readPath(Scene &scene, JsonObject &obj, const std::string &key);
// position, rotation (degrees), scale, target and keys of an item.
void readMotion(const JsonDocument &doc, JsonObject &obj, const Scene &scene, Motion &motion,
                bool allowScale);
// A shader or filter entry: "server", "settings", "data".
ServerUse readServerUse(const JsonDocument &doc, const nlohmann::json &value, const std::string &pointer,
                        const char *className);
void readObjects(const JsonDocument &doc, JsonObject &root, Scene &scene);

}  // namespace minihost
