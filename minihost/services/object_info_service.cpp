// "LW Object Info 4" over the active scene.
#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

const char *filename(ItemID obj) {
    const SceneObject *o = objectFromID(obj);
    return o ? o->filename.c_str() : nullptr;
}

int numPoints(ItemID obj) {
    const SceneObject *o = objectFromID(obj);
    return o ? o->mesh->numPoints() : 0;
}

int numPolygons(ItemID obj) {
    const SceneObject *o = objectFromID(obj);
    return o ? o->mesh->numPolygons() : 0;
}

// Meshes do not deform, so the frozen and the base shape are the same.
MeshInfo *meshInfo(ItemID obj, int) {
    const SceneObject *o = objectFromID(obj);
    return o ? newMeshInfo(*o) : nullptr;
}

int excluded(ItemID obj, ItemID light) {
    const SceneObject *o = objectFromID(obj);
    if (!o) return 0;
    for (ItemID l : o->excludedLights)
        if (l == light) return 1;
    return 0;
}

ObjectInfo record = {
    guardedService<"ObjectInfo.filename", filename>, guardedService<"ObjectInfo.numPoints", numPoints>,
    guardedService<"ObjectInfo.numPolygons", numPolygons>, guardedService<"ObjectInfo.meshInfo", meshInfo>,
    guardedService<"ObjectInfo.excluded", excluded>};

}  // namespace

ObjectInfo *objectInfoRecord() { return &record; }

}  // namespace minihost
