#include "minihost/cli/scene_targets.h"

#include "minihost/render/preview_scene.h"

namespace minihost::cli {

namespace {

std::string listed(const std::vector<std::string> &names) {
    std::string out;
    for (const std::string &n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "none" : out;
}

const LiveUse *useOn(const ServerSet &servers, const SceneSurface &surface, const std::string &server) {
    for (const LiveUse &live : servers.shadersOf(surface))
        if (live.use->server == server && live.instance) return &live;
    return nullptr;
}

}  // namespace

const LiveUse *findServerUse(Scene &scene, const ServerSet &servers, const std::string &server,
                             const std::string &surface, std::string &error) {
    for (auto *filters : {&servers.live().pixelFilters, &servers.live().imageFilters})
        for (const LiveUse &live : *filters)
            if (live.use->server == server && live.instance) return &live;
    std::vector<std::string> carriers;
    const LiveUse *only = nullptr;
    for (const SceneSurface *s : scene.allSurfaces())
        if (const LiveUse *use = useOn(servers, *s, server)) {
            carriers.push_back(s->object->name + "/" + s->name);
            only = use;
        }
    if (surface.empty()) {
        if (carriers.size() == 1) return only;
        error = carriers.empty() ? "no surface or filter uses \"" + server + "\""
                                 : "several surfaces carry \"" + server + "\"; name one with --surface (" +
                                       listed(carriers) + ")";
        return nullptr;
    }
    const SceneSurface *s = findPreviewSurface(scene, surface);
    if (!s) {
        error = "no surface named \"" + surface + "\" (known: " + listed(surfaceNames(scene)) + ")";
        return nullptr;
    }
    if (const LiveUse *use = useOn(servers, *s, server)) return use;
    error = "surface \"" + surface + "\" carries no \"" + server +
            "\" (surfaces that do: " + listed(carriers) + ")";
    return nullptr;
}

bool selectItems(Scene &scene, const std::vector<std::string> &names, std::string &error) {
    for (const std::string &name : names)
        if (!scene.itemNamed(name)) {
            std::vector<std::string> known;
            for (const auto &[id, item] : scene.items) known.push_back(item->name);
            error = "no item named \"" + name + "\" to select (items: " + listed(known) + ")";
            return false;
        }
    for (const auto &[id, item] : scene.items) item->selected = false;
    for (const std::string &name : names) scene.itemNamed(name)->selected = true;
    return true;
}

}  // namespace minihost::cli
