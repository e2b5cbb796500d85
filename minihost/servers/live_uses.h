// What loading made of a scene's server uses: for each shader and filter the
// scene file names, the handler its instance came from and the instance.
// The scene holds what the file says; this record sits beside it, indexed
// like the scene's uses, and the scene's ServerSet owns it.
#pragma once

#include <cstddef>
#include <vector>

#include "host/handler.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/active_handler.h"

namespace minihost {

struct LiveUse {
    const ServerUse *use = nullptr;  // the scene's entry: its server, settings and position
    const ActiveHandler *handler = nullptr;
    Instance instance = nullptr;
};

struct LiveUses {
    // shaders[o][s][k] is the k-th shader of the s-th surface of the o-th
    // object: Scene::objects[o]->surfaces[s]->shaders[k].
    std::vector<std::vector<std::vector<LiveUse>>> shaders;
    std::vector<LiveUse> pixelFilters;  // like Scene::pixelFilters
    std::vector<LiveUse> imageFilters;  // like Scene::imageFilters

    // The shaders of surface s of object o; none when either is out of range.
    const std::vector<LiveUse> &shadersOf(std::size_t object, std::size_t surface) const;
    // Every use in the scene's order: surface shaders, pixel filters, image filters.
    std::vector<const LiveUse *> inOrder() const;
    // The live use of the scene's entry `use`, or null.
    const LiveUse *find(const ServerUse &use) const;
};

}  // namespace minihost
