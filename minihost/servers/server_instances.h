// The modules a scene loads and the server instances it uses: handlers are
// activated once per server, an instance is created for every shader and
// filter of the scene, loaded with its saved data and its settings by key,
// and kept in the set's live uses beside the scene. Instances are destroyed,
// and the modules unloaded, with the set.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "minihost/core/loader.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/active_handler.h"
#include "minihost/servers/live_uses.h"

namespace minihost {

class ServerSet {
public:
    ServerSet() = default;
    ~ServerSet();
    ServerSet(const ServerSet &) = delete;
    ServerSet &operator=(const ServerSet &) = delete;

    // Loads the scene's modules and makes every instance. Throws InputError
    // naming the scene file and the fault (unknown module or server, a
    // setting that does not exist or has the wrong type, a failed load).
    void build(Scene &scene);

    // Render operations on every instance, in the scene's order.
    void initAll(int renderMode);
    void newTimeAll(int frame, double time);
    void cleanupAll();

    // The instance's saved data, text representation.
    std::string savedData(const ServerUse &use) const;

    // The handler and instance this set made for the scene's entry `use`, or null.
    const LiveUse *liveOf(const ServerUse &use) const { return live_.find(use); }
    // Every live use, indexed like the scene's uses.
    const LiveUses &live() const { return live_; }
    // The live shaders of a surface of the scene; none for another surface.
    const std::vector<LiveUse> &shadersOf(const SceneSurface &surface) const;
    // Every live use in the scene's order: surface shaders, pixel filters, image filters.
    std::vector<const LiveUse *> uses() const { return live_.inOrder(); }

    // Changes to the built scene, as the host's surface commands make them.
    // addShader creates an instance of the shader server at the end of the
    // surface's shaders (throws InputError when no module of the scene has
    // that server or it makes no instance); removeShader destroys the first
    // instance of that server on the surface (false when it has none). Both
    // keep earlier references to ServerUse and LiveUse entries of that
    // surface only until they return.
    ServerUse &addShader(SceneSurface &surface, const std::string &server);
    bool removeShader(SceneSurface &surface, const std::string &server);

    // The loaded module of that file (the same file under any path). A file
    // the scene does not list yet is loaded and added to the scene's
    // modules, so a saved scene lists every module its instances come from.
    // Throws InputError when it does not load.
    LoadedModule &moduleFor(const std::string &path);

private:
    ActiveHandler *handlerFor(const ServerUse &use, const Scene &scene);
    // Adds the instance to `into` as soon as it exists, then loads it.
    void makeInstance(const ServerUse &use, void *context, std::vector<LiveUse> &into);
    // Where the surface is in the scene: object o, surface s; false when not there.
    bool placeOf(const SceneSurface &surface, size_t &o, size_t &s) const;
    // The live shaders of a surface of the scene; throws InputError for another.
    std::vector<LiveUse> &liveShadersOf(const SceneSurface &surface);
    void destroyAll();

    Scene *scene_ = nullptr;
    std::vector<std::unique_ptr<LoadedModule>> modules_;
    std::vector<std::string> moduleWhere_;
    std::vector<std::unique_ptr<ActiveHandler>> handlers_;
    LiveUses live_;
    bool initialised_ = false;
};

}  // namespace minihost
