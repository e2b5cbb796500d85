#include "minihost/cli/scene_targets.h"

#include "minihost/render/preview_scene.h"

namespace minihost::cli {

namespace {

std::string listed(const std::vector<std::string> &names) {
    std::string out;
    for (const std::string &n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "none" : out;
}

const ServerUse *useOn(const SceneSurface &surface, const std::string &server) {
    for (const ServerUse &use : surface.shaders)
        if (use.server == server && use.instance) return &use;
    return nullptr;
}

}  // namespace

const ServerUse *findServerUse(Scene &scene, const std::string &server, const std::string &surface,
                               std::string &error) {
    for (auto *filters : {&scene.pixelFilters, &scene.imageFilters})
        for (const ServerUse &use : *filters)
            if (use.server == server && use.instance) return &use;
    std::vector<std::string> carriers;
    const ServerUse *only = nullptr;
    for (const SceneSurface *s : scene.allSurfaces())
        if (const ServerUse *use = useOn(*s, server)) {
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
    if (const ServerUse *use = useOn(*s, server)) return use;
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
