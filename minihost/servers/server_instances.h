// The modules a scene loads and the server instances it uses: handlers are
// activated once per server, an instance is created for every shader and
// filter of the scene, loaded with its saved data and its settings by key.
// Instances are destroyed, and the modules unloaded, with the set.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "minihost/core/loader.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/active_handler.h"

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

    // The use's handler when this set activated it, else null.
    const ActiveHandler *handlerOf(const ServerUse &use) const;
    const std::vector<ServerUse *> &uses() const { return uses_; }

    // Changes to the built scene, as the host's surface commands make them.
    // addShader creates an instance of the shader server at the end of the
    // surface's shaders (throws InputError when no module of the scene has
    // that server or it makes no instance); removeShader destroys the first
    // instance of that server on the surface (false when it has none). Both
    // keep earlier references to ServerUse entries of that surface only
    // until they return.
    ServerUse &addShader(SceneSurface &surface, const std::string &server);
    bool removeShader(SceneSurface &surface, const std::string &server);

    // The loaded module of that file (the same file under any path). A file
    // the scene does not list yet is loaded and added to the scene's
    // modules, so a saved scene lists every module its instances come from.
    // Throws InputError when it does not load.
    LoadedModule &moduleFor(const std::string &path);

private:
    ActiveHandler *handlerFor(const ServerUse &use, const Scene &scene);
    void makeInstance(ServerUse &use, void *context);
    // uses_ again, in the scene's order, after a surface's list changed.
    void relist();
    void destroyAll();

    Scene *scene_ = nullptr;
    std::vector<std::unique_ptr<LoadedModule>> modules_;
    std::vector<std::string> moduleWhere_;
    std::vector<std::unique_ptr<ActiveHandler>> handlers_;
    std::vector<ServerUse *> uses_;
    bool initialised_ = false;
};

}  // namespace minihost
