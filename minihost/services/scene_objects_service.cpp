// "Scene Objects 4": objects by index. Every object has one layer, layer 0,
// holding its whole mesh.
#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

const SceneObject *at(int obj) {
    const Scene *s = activeScenePtr();
    if (!s || obj < 0 || static_cast<size_t>(obj) >= s->objects.size()) return nullptr;
    return s->objects[static_cast<size_t>(obj)].get();
}

int numObjects() {
    const Scene *s = activeScenePtr();
    return s ? static_cast<int>(s->objects.size()) : 0;
}

const char *filename(int obj) {
    const SceneObject *o = at(obj);
    return o ? o->filename.c_str() : nullptr;
}

// Object names are unique within a scene, so the name shown to the user is
// also the one the surface commands take.
const char *userName(int obj) {
    const SceneObject *o = at(obj);
    return o ? o->name.c_str() : nullptr;
}

ItemID itemID(int obj) {
    const SceneObject *o = at(obj);
    return o ? o->id : ITEM_NULL;
}

int maxLayers(int obj) { return at(obj) ? 1 : 0; }

int layerExists(int obj, int layer) { return at(obj) && layer == 0 ? 1 : 0; }

MeshInfo *layerMesh(int obj, int layer) {
    const SceneObject *o = at(obj);
    return o && layer == 0 ? newMeshInfo(*o) : nullptr;
}

SceneObjects record = {guardedService<"SceneObjects.numObjects", numObjects>,
                       guardedService<"SceneObjects.filename", filename>,
                       guardedService<"SceneObjects.userName", userName>,
                       guardedService<"SceneObjects.refName", userName>,
                       guardedService<"SceneObjects.itemID", itemID>,
                       guardedService<"SceneObjects.maxLayers", maxLayers>,
                       guardedService<"SceneObjects.layerExists", layerExists>,
                       guardedService<"SceneObjects.layerMesh", layerMesh>};

}  // namespace

SceneObjects *sceneObjectsRecord() { return &record; }

}  // namespace minihost
