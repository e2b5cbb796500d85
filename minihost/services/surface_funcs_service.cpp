// "Surface Functions 2": the surfaces of the scene's objects.
#include <cstring>
#include <map>
#include <mutex>

#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"
#include "minihost/vparams/channel_info_service.h"
#include "minihost/vparams/envelope_service.h"

namespace minihost {
namespace {

SurfaceID first() {
    const Scene *s = activeScenePtr();
    if (!s) return nullptr;
    for (const auto &obj : s->objects)
        if (!obj->surfaces.empty()) return surfaceHandle(obj->surfaces.front().get());
    return nullptr;
}

SurfaceID next(SurfaceID surf) {
    const Scene *s = activeScenePtr();
    const SceneSurface *cur = surfaceFromHandle(surf);
    if (!s || !cur) return nullptr;
    bool found = false;
    for (const auto &obj : s->objects)
        for (const auto &sf : obj->surfaces) {
            if (found) return surfaceHandle(sf.get());
            if (sf.get() == cur) found = true;
        }
    return nullptr;
}

const SurfaceID *byObject(const char *objFilename) {
    if (!objFilename) return nullptr;
    const auto &by = activeScene().surfacesByFile;
    auto it = by.find(objFilename);
    return it == by.end() ? nullptr : it->second.data();
}

const char *name(SurfaceID surf) {
    const SceneSurface *s = surfaceFromHandle(surf);
    return s ? s->name.c_str() : nullptr;
}

const char *sceneObject(SurfaceID surf) {
    const SceneSurface *s = surfaceFromHandle(surf);
    return s && s->object ? s->object->name.c_str() : nullptr;
}

// One channel group per surface, named after it, made on first request so
// that shaders can put their envelope groups under it. The groups of an
// earlier scene are destroyed when a request comes from another one: by then
// that scene's instances are gone, and a group that something still holds
// only detaches its channels (see vparams/channel_registry.h).
struct SurfaceGroups {
    std::mutex mutex;
    const Scene *scene = nullptr;
    std::map<const SceneSurface *, ChanGroupID> groups;
};

SurfaceGroups &surfaceGroups() {
    static SurfaceGroups instance;
    return instance;
}

ChanGroupID chanGroup(SurfaceID surf) {
    const Scene *scene = activeScenePtr();
    const SceneSurface *s = surfaceFromHandle(surf);
    if (!scene || !s) return nullptr;
    EnvelopeFuncs *envelopes = envelopeFuncsRecord();
    SurfaceGroups &sg = surfaceGroups();
    std::lock_guard<std::mutex> lock(sg.mutex);
    if (sg.scene != scene) {
        for (const auto &entry : sg.groups) envelopes->destroyGroup(entry.second);
        sg.groups.clear();
        sg.scene = scene;
    }
    auto it = sg.groups.find(s);
    // A new scene may reuse an old one's addresses: check the name too.
    if (it != sg.groups.end()) {
        const char *groupName = channelInfoRecord()->groupName(it->second);
        if (groupName && s->name == groupName) return it->second;
        envelopes->destroyGroup(it->second);
        sg.groups.erase(it);
    }
    ChanGroupID group = envelopes->createGroup(nullptr, s->name.c_str());
    if (group) sg.groups.emplace(s, group);
    return group;
}

int getInt(SurfaceID surf, const char *channel) {
    const SceneSurface *s = surfaceFromHandle(surf);
    if (!s || !channel) return 0;
    if (std::strcmp(channel, "ReflectionOptions") == 0) return s->reflectionOptions;
    if (std::strcmp(channel, "RefractionOptions") == 0) return s->refractionOptions;
    return 0;
}

const double *getFlt(SurfaceID surf, const char *channel) {
    const SceneSurface *s = surfaceFromHandle(surf);
    if (!s || !channel) return nullptr;
    auto it = s->channels.find(channel);
    return it == s->channels.end() ? nullptr : it->second.data();
}

ImageID getImg(SurfaceID surf, const char *channel) {
    const SceneSurface *s = surfaceFromHandle(surf);
    if (!s || !channel) return nullptr;
    SceneImage *img = nullptr;
    if (std::strcmp(channel, "ReflectionImage") == 0)
        img = s->reflectionImage;
    else if (std::strcmp(channel, "RefractionImage") == 0)
        img = s->refractionImage;
    return img ? imageHandle(img) : nullptr;
}

SurfaceFuncs record = {guardedService<"SurfaceFuncs.first", first>,
                       guardedService<"SurfaceFuncs.next", next>,
                       guardedService<"SurfaceFuncs.byObject", byObject>,
                       guardedService<"SurfaceFuncs.name", name>,
                       guardedService<"SurfaceFuncs.sceneObject", sceneObject>,
                       guardedService<"SurfaceFuncs.chanGroup", chanGroup>,
                       guardedService<"SurfaceFuncs.getInt", getInt>,
                       guardedService<"SurfaceFuncs.getFlt", getFlt>,
                       guardedService<"SurfaceFuncs.getImg", getImg>};

}  // namespace

SurfaceFuncs *surfaceFuncsRecord() { return &record; }

}  // namespace minihost
