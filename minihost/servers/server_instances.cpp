#include "minihost/servers/server_instances.h"

#include <filesystem>

#include "host/module_descriptor.h"
#include "minihost/files/input_error.h"
#include "minihost/servers/server_settings.h"
#include "minihost/services/active_scene.h"

namespace minihost {

ServerSet::~ServerSet() { destroyAll(); }

namespace {

void destroyInstance(const LiveUse &live) {
    if (live.handler && live.instance && live.handler->inst.destroy)
        live.handler->inst.destroy(live.instance);
}

// The surface's live shaders point at its entries again, after its list changed.
void repoint(const SceneSurface &surface, std::vector<LiveUse> &live) {
    for (size_t k = 0; k < live.size() && k < surface.shaders.size(); ++k) live[k].use = &surface.shaders[k];
}

}  // namespace

void ServerSet::destroyAll() {
    const std::vector<const LiveUse *> all = live_.inOrder();
    for (auto it = all.rbegin(); it != all.rend(); ++it) destroyInstance(**it);
    live_ = LiveUses{};
    handlers_.clear();
    modules_.clear();  // shutdown and unload, last loaded first
}

bool ServerSet::placeOf(const SceneSurface &surface, size_t &o, size_t &s) const {
    for (o = 0; scene_ && o < scene_->objects.size() && o < live_.shaders.size(); ++o)
        for (s = 0; s < scene_->objects[o]->surfaces.size() && s < live_.shaders[o].size(); ++s)
            if (scene_->objects[o]->surfaces[s].get() == &surface) return true;
    return false;
}

const std::vector<LiveUse> &ServerSet::shadersOf(const SceneSurface &surface) const {
    static const std::vector<LiveUse> none;
    size_t o = 0, s = 0;
    return placeOf(surface, o, s) ? live_.shaders[o][s] : none;
}

std::vector<LiveUse> &ServerSet::liveShadersOf(const SceneSurface &surface) {
    size_t o = 0, s = 0;
    if (!placeOf(surface, o, s))
        throw InputError(
            {scene_ ? scene_->path : std::string()},
            scene_ ? "surface \"" + surface.name + "\" is not in the scene" : "no scene is loaded");
    return live_.shaders[o][s];
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

void ServerSet::makeInstance(const ServerUse &use, void *context, std::vector<LiveUse> &into) {
    ActiveHandler *h = handlerFor(use, *scene_);
    const char *err = nullptr;
    Instance instance = h->inst.create(h->inst.priv, context, &err);
    if (!instance)
        throw InputError(use.where, use.server + " made no instance" + (err ? std::string(": ") + err : ""));
    into.push_back(LiveUse{&use, h, instance});
    std::string error;
    if (use.hasData && !loadText(h->inst, instance, use.data, error))
        throw InputError(use.where, use.server + " could not load its data: " + error);
    if (!use.settings.empty()) {
        const std::string text = applySettingsToText(savedText(h->inst, instance), use.settings, use);
        if (!loadText(h->inst, instance, text, error))
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
    // Every surface gets its list first, so the lists are indexed like the
    // scene's surfaces however far the instances get.
    live_.shaders.resize(scene.objects.size());
    for (size_t o = 0; o < scene.objects.size(); ++o)
        live_.shaders[o].resize(scene.objects[o]->surfaces.size());
    for (size_t o = 0; o < scene.objects.size(); ++o)
        for (size_t s = 0; s < scene.objects[o]->surfaces.size(); ++s) {
            SceneSurface *surf = scene.objects[o]->surfaces[s].get();
            for (const auto &use : surf->shaders) makeInstance(use, surfaceHandle(surf), live_.shaders[o][s]);
        }
    for (const auto &use : scene.pixelFilters) makeInstance(use, nullptr, live_.pixelFilters);
    for (const auto &use : scene.imageFilters) makeInstance(use, nullptr, live_.imageFilters);
}

ServerUse &ServerSet::addShader(SceneSurface &surface, const std::string &server) {
    if (!scene_) throw InputError({}, server + ": no scene is loaded");
    std::vector<LiveUse> &live = liveShadersOf(surface);
    ServerUse use;
    use.server = server;
    use.className = CLASS_SHADER_HANDLER;
    use.where = {scene_->path};
    surface.shaders.push_back(std::move(use));
    repoint(surface, live);  // the surface's list may have moved
    ServerUse &added = surface.shaders.back();
    auto takeBack = [&] {
        if (live.size() == surface.shaders.size()) {  // made, then refused its load
            destroyInstance(live.back());
            live.pop_back();
        }
        surface.shaders.pop_back();
    };
    // Not a boundary: a use that could not be made is taken back out of the
    // scene, then the fault goes on to the caller. The use stands in no file
    // of its own, so its faults name the surface it was added to.
    try {
        makeInstance(added, surfaceHandle(&surface), live);
    } catch (const InputError &e) {
        const std::string surfaceName = surface.name;
        takeBack();
        throw InputError(e.position(), "surface \"" + surfaceName + "\": " + e.message());
    } catch (...) {
        takeBack();
        throw;
    }
    return added;
}

bool ServerSet::removeShader(SceneSurface &surface, const std::string &server) {
    std::vector<LiveUse> &live = liveShadersOf(surface);
    for (size_t k = 0; k < surface.shaders.size() && k < live.size(); ++k) {
        if (surface.shaders[k].server != server) continue;
        destroyInstance(live[k]);
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(k));
        surface.shaders.erase(surface.shaders.begin() + static_cast<std::ptrdiff_t>(k));
        repoint(surface, live);
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
        auto &listed = scene_->document.edit()["modules"];
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
    for (const LiveUse *live : live_.inOrder()) {
        const ActiveHandler *h = live->handler;
        if (!h || !h->hasRender() || !h->rend.init) continue;
        if (const char *err = h->rend.init(live->instance, renderMode))
            throw InputError(live->use->where, live->use->server + " could not start rendering: " + err);
    }
    initialised_ = true;
}

void ServerSet::newTimeAll(int frame, double time) {
    for (const LiveUse *live : live_.inOrder()) {
        const ActiveHandler *h = live->handler;
        if (!h || !h->hasRender() || !h->rend.newTime) continue;
        if (const char *err = h->rend.newTime(live->instance, frame, time))
            throw InputError(live->use->where, live->use->server + " could not start frame " +
                                                   std::to_string(frame) + ": " + err);
    }
}

void ServerSet::cleanupAll() {
    if (!initialised_) return;
    for (const LiveUse *live : live_.inOrder()) {
        const ActiveHandler *h = live->handler;
        if (h && h->hasRender() && h->rend.cleanup) h->rend.cleanup(live->instance);
    }
    initialised_ = false;
}

std::string ServerSet::savedData(const ServerUse &use) const {
    const LiveUse *live = liveOf(use);
    return live && live->handler && live->instance ? savedText(live->handler->inst, live->instance)
                                                   : std::string();
}

}  // namespace minihost
