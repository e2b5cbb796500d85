// What a command names in a scene: a server's instance, the selected items.
#pragma once

#include <string>
#include <vector>

#include "minihost/scene/scene.h"
#include "minihost/servers/server_instances.h"

namespace minihost::cli {

// The instance of `server` a command works on, of those `servers` made for
// `scene`: for a shader, the one on the surface named by `surface` (NAME or
// OBJECT/NAME; may be empty when only one surface carries the server); for a
// filter, the scene's first of that name. Null with `error` set when there
// is none.
const LiveUse *findServerUse(Scene &scene, const ServerSet &servers, const std::string &server,
                             const std::string &surface, std::string &error);

// Makes the named items (objects, lights, cameras or bones) the selection,
// replacing the scene file's; false with `error` naming an unknown one.
bool selectItems(Scene &scene, const std::vector<std::string> &names, std::string &error);

}  // namespace minihost::cli
