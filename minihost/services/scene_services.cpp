#include "minihost/services/scene_services.h"

#include "minihost/core/scene_info_basic.h"
#include "minihost/core/service_registry.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/monitor_service.h"

namespace minihost {

namespace {

void indexScene(Scene &scene, ActiveScene &a) {
    a = ActiveScene{};
    a.scene = &scene;
    auto chain = [&](const auto &list) {
        for (size_t i = 0; i + 1 < list.size(); ++i) a.next[list[i]->id] = list[i + 1]->id;
    };
    chain(scene.objects);
    chain(scene.lights);
    chain(scene.cameras);
    for (const auto &o : scene.objects) a.walks[0].push_back(o->id);
    for (const auto &l : scene.lights) a.walks[1].push_back(l->id);
    for (const auto &c : scene.cameras) a.walks[2].push_back(c->id);
    // bones: the next bone of the same object
    for (size_t i = 0; i < scene.bones.size(); ++i)
        for (size_t j = i + 1; j < scene.bones.size(); ++j)
            if (scene.bones[j]->parent == scene.bones[i]->parent) {
                a.next[scene.bones[i]->id] = scene.bones[j]->id;
                break;
            }
    for (const auto &[id, item] : scene.items)
        if (item->selected) a.selection.push_back(id);
    a.selection.push_back(ITEM_NULL);
    for (const auto &obj : scene.objects) {
        for (const auto &s : obj->surfaces) a.surfaces.insert(surfaceHandle(s.get()));
        auto &list = a.surfacesByFile[obj->filename];
        if (!list.empty()) continue;  // the first object of a file names its surfaces
        for (const auto &s : obj->surfaces) list.push_back(surfaceHandle(s.get()));
        list.push_back(nullptr);
    }
    a.currentTime = scene.frameTime(scene.firstFrame);
}

}  // namespace

void installSceneServices(Scene &scene) {
    indexScene(scene, activeScene());
    auto &r = registry();
    r.provide(SERVICE_ITEM_INFO, itemInfoRecord());
    r.provide(SERVICE_OBJECT_INFO, objectInfoRecord());
    r.provide(SERVICE_LIGHT_INFO, lightInfoRecord());
    r.provide(SERVICE_CAMERA_INFO, cameraInfoRecord());
    r.provide(SERVICE_SCENE_INFO, sceneInfoRecord());
    r.provide(SERVICE_SCENE_OBJECTS, sceneObjectsRecord());
    r.provide(SERVICE_SURFACE_FUNCS, surfaceFuncsRecord());
    r.provide(SERVICE_INTERFACE_INFO, interfaceInfoRecord());
    r.provide(SERVICE_IMAGE_LIST, imageListRecord());
    r.provide(SERVICE_MONITOR, monitorRecord());
}

void removeSceneServices() {
    auto &r = registry();
    for (const char *name : {SERVICE_ITEM_INFO, SERVICE_OBJECT_INFO, SERVICE_LIGHT_INFO, SERVICE_CAMERA_INFO,
                             SERVICE_SCENE_OBJECTS, SERVICE_SURFACE_FUNCS, SERVICE_INTERFACE_INFO,
                             SERVICE_IMAGE_LIST, SERVICE_MONITOR})
        r.remove(name);
    r.provide(SERVICE_SCENE_INFO, basicSceneInfoRecord());
    activeScene() = ActiveScene{};
}

}  // namespace minihost
