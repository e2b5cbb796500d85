#include "minihost/services/active_scene.h"

namespace minihost {

ActiveScene &activeScene() {
    static ActiveScene active;
    return active;
}

Scene *activeScenePtr() { return activeScene().scene; }

SceneSurface *surfaceFromHandle(SurfaceID id) {
    const auto &a = activeScene();
    return a.surfaces.count(id) ? reinterpret_cast<SceneSurface *>(id) : nullptr;
}

SceneImage *imageFromHandle(ImageID id) {
    auto &a = activeScene();
    if (!a.scene || !id) return nullptr;
    std::lock_guard<std::mutex> lock(a.scene->imageMutex);
    for (const auto &img : a.scene->images)
        if (imageHandle(img.get()) == id) return img.get();
    return nullptr;
}

namespace {
template <typename T>
T *typed(ItemID id, int type) {
    Scene *s = activeScenePtr();
    if (!s) return nullptr;
    SceneItem *it = s->item(id);
    return it && it->type == type ? static_cast<T *>(it) : nullptr;
}
}  // namespace

SceneObject *objectFromID(ItemID id) { return typed<SceneObject>(id, ITEM_TYPE_OBJECT); }
SceneLight *lightFromID(ItemID id) { return typed<SceneLight>(id, ITEM_TYPE_LIGHT); }
SceneCamera *cameraFromID(ItemID id) { return typed<SceneCamera>(id, ITEM_TYPE_CAMERA); }

}  // namespace minihost
