#include "minihost/servers/server_instances.h"

#include <filesystem>

#include "host/module_descriptor.h"
#include "minihost/files/input_error.h"
#include "minihost/servers/server_settings.h"
#include "minihost/services/active_scene.h"

namespace minihost {

ServerSet::~ServerSet() { destroyAll(); }

void ServerSet::destroyAll() {
    for (auto it = uses_.rbegin(); it != uses_.rend(); ++it) {
        ServerUse *use = *it;
        const ActiveHandler *h = handlerOf(*use);
        if (h && use->instance && h->inst.destroy) h->inst.destroy(use->instance);
        use->instance = nullptr;
        use->handler = nullptr;
    }
    uses_.clear();
    handlers_.clear();
    modules_.clear();  // shutdown and unload, last loaded first
}

const ActiveHandler *ServerSet::handlerOf(const ServerUse &use) const {
    for (const auto &h : handlers_)
        if (h.get() == use.handler) return h.get();
    return nullptr;
}

ActiveHandler *ServerSet::handlerFor(const ServerUse &use, const Scene &scene) {
    for (const auto &h : handlers_)
        if (h->className == use.className && h->name == use.server) return h.get();
    LoadedModule *module = nullptr;
    std::string offered;
    for (const auto &m : modules_)
        for (const auto &s : m->servers()) {
            if (s.className != use.className) continue;
            if (s.name == use.server && !module) module = m.get();
            offered += (offered.empty() ? "" : ", ") + s.name;
        }
    if (!module) {
        std::string known = scene.modulePaths.empty() ? "the scene loads no modules"
                            : offered.empty()         ? "its modules have no " + use.className + " servers"
                                                      : use.className + " servers: " + offered;
        throw InputError(use.where, "unknown server \"" + use.server + "\" (" + known + ")");
    }
    auto h = std::make_unique<ActiveHandler>();
    const int result = h->activate(*module, use.className, use.server);
    if (result != AFUNC_OK)
        throw InputError(use.where, module->path() + ": activating " + use.server + " failed (result " +
                                        std::to_string(result) + ")");
    if (!h->inst.create || !h->inst.destroy)
        throw InputError(use.where, use.server + " installed no create or destroy operation");
    handlers_.push_back(std::move(h));
    return handlers_.back().get();
}

void ServerSet::makeInstance(ServerUse &use, void *context) {
    ActiveHandler *h = handlerFor(use, *scene_);
    const char *err = nullptr;
    use.instance = h->inst.create(h->inst.priv, context, &err);
    if (!use.instance)
        throw InputError(use.where, use.server + " made no instance" + (err ? std::string(": ") + err : ""));
    use.handler = h;
    uses_.push_back(&use);
    std::string error;
    if (use.hasData && !loadText(h->inst, use.instance, use.data, error))
        throw InputError(use.where, use.server + " could not load its data: " + error);
    if (!use.settings.empty()) {
        const std::string text = applySettingsToText(savedText(h->inst, use.instance), use.settings, use);
        if (!loadText(h->inst, use.instance, text, error))
            throw InputError(use.where, use.server + " could not load its settings: " + error);
    }
}

void ServerSet::build(Scene &scene) {
    scene_ = &scene;
    for (size_t i = 0; i < scene.modulePaths.size(); ++i) {
        std::string error;
        auto m = LoadedModule::open(scene.modulePaths[i], error);
        if (!m)
            throw InputError(i < scene.moduleWhere.size() ? scene.moduleWhere[i] : FilePosition{scene.path},
                             error);
        modules_.push_back(std::move(m));
    }
    for (SceneSurface *surf : scene.allSurfaces())
        for (auto &use : surf->shaders) makeInstance(use, surfaceHandle(surf));
    for (auto &use : scene.pixelFilters) makeInstance(use, nullptr);
    for (auto &use : scene.imageFilters) makeInstance(use, nullptr);
}

void ServerSet::relist() {
    uses_.clear();
    for (SceneSurface *surf : scene_->allSurfaces())
        for (auto &use : surf->shaders)
            if (use.instance) uses_.push_back(&use);
    for (auto *list : {&scene_->pixelFilters, &scene_->imageFilters})
        for (auto &use : *list)
            if (use.instance) uses_.push_back(&use);
}

ServerUse &ServerSet::addShader(SceneSurface &surface, const std::string &server) {
    if (!scene_) throw InputError({}, server + ": no scene is loaded");
    ServerUse use;
    use.server = server;
    use.className = CLASS_SHADER_HANDLER;
    use.where = {scene_->path};
    surface.shaders.push_back(std::move(use));
    relist();  // the surface's list may have moved
    ServerUse &added = surface.shaders.back();
    auto takeBack = [&] {
        const ActiveHandler *h = handlerOf(added);
        if (h && added.instance && h->inst.destroy) h->inst.destroy(added.instance);
        surface.shaders.pop_back();
        relist();
    };
    // Not a boundary: a use that could not be made is taken back out of the
    // scene, then the fault goes on to the caller. The use stands in no file
    // of its own, so its faults name the surface it was added to.
    try {
        makeInstance(added, surfaceHandle(&surface));
    } catch (const InputError &e) {
        const std::string surfaceName = surface.name;
        takeBack();
        throw InputError(e.position(), "surface \"" + surfaceName + "\": " + e.message());
    } catch (...) {
        takeBack();
        throw;
    }
    relist();  // in the scene's order
    return added;
}

bool ServerSet::removeShader(SceneSurface &surface, const std::string &server) {
    for (auto it = surface.shaders.begin(); it != surface.shaders.end(); ++it) {
        if (it->server != server) continue;
        const ActiveHandler *h = handlerOf(*it);
        if (h && it->instance && h->inst.destroy) h->inst.destroy(it->instance);
        surface.shaders.erase(it);
        relist();
        return true;
    }
    return false;
}

LoadedModule &ServerSet::moduleFor(const std::string &path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto &m : modules_)
        if (fs::equivalent(m->path(), path, ec)) return *m;
    std::string error;
    auto m = LoadedModule::open(path, error);
    if (!m) throw InputError({}, error);
    if (scene_) {
        // The scene file names it relative to its own folder, as it names
        // its other files.
        const fs::path dir = fs::absolute(scene_->dir.empty() ? fs::path(".") : fs::path(scene_->dir), ec);
        const fs::path rel = fs::absolute(path, ec).lexically_relative(dir);
        auto &listed = scene_->document["modules"];
        if (!listed.is_array()) listed = nlohmann::ordered_json::array();
        scene_->pathPointers.push_back("/modules/" + std::to_string(listed.size()));
        listed.push_back(rel.empty() ? path : rel.generic_string());
        scene_->modulePaths.push_back(path);
        scene_->moduleWhere.push_back({path});
    }
    modules_.push_back(std::move(m));
    return *modules_.back();
}

void ServerSet::initAll(int renderMode) {
    for (ServerUse *use : uses_) {
        const ActiveHandler *h = handlerOf(*use);
        if (!h || !h->hasRender() || !h->rend.init) continue;
        if (const char *err = h->rend.init(use->instance, renderMode))
            throw InputError(use->where, use->server + " could not start rendering: " + err);
    }
    initialised_ = true;
}

void ServerSet::newTimeAll(int frame, double time) {
    for (ServerUse *use : uses_) {
        const ActiveHandler *h = handlerOf(*use);
        if (!h || !h->hasRender() || !h->rend.newTime) continue;
        if (const char *err = h->rend.newTime(use->instance, frame, time))
            throw InputError(use->where,
                             use->server + " could not start frame " + std::to_string(frame) + ": " + err);
    }
}

void ServerSet::cleanupAll() {
    if (!initialised_) return;
    for (ServerUse *use : uses_) {
        const ActiveHandler *h = handlerOf(*use);
        if (h && h->hasRender() && h->rend.cleanup) h->rend.cleanup(use->instance);
    }
    initialised_ = false;
}

std::string ServerSet::savedData(const ServerUse &use) const {
    const ActiveHandler *h = handlerOf(use);
    return h && use.instance ? savedText(h->inst, use.instance) : std::string();
}

}  // namespace minihost
