// The scene that the scene-backed services answer for, and the indexes they
// walk. The services read it from any render thread; it changes only
// between renders (installSceneServices, removeSceneServices).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/host_types.h"
#include "minihost/scene/scene.h"

namespace minihost {

struct ActiveScene {
    Scene *scene = nullptr;
    std::map<ItemID, ItemID> next;  // the next item of the same walk
    // The objects, lights and cameras in walk order, to answer "next" for
    // them without a search: the scene numbers them by their place in it.
    std::vector<ItemID> walks[3];
    std::vector<ItemID> selection;                                 // ends with ITEM_NULL
    std::map<std::string, std::vector<SurfaceID>> surfacesByFile;  // each ends with null
    std::set<const void *> surfaces;                               // valid SurfaceID values
    double currentTime = 0;
};

// The active scene, or null members when none is active.
ActiveScene &activeScene();
Scene *activeScenePtr();

// Handles as the host records carry them.
inline SurfaceID surfaceHandle(SceneSurface *s) { return reinterpret_cast<SurfaceID>(s); }
SceneSurface *surfaceFromHandle(SurfaceID id);  // null for an unknown handle
inline ImageID imageHandle(SceneImage *i) { return reinterpret_cast<ImageID>(i); }
SceneImage *imageFromHandle(ImageID id);  // null for an unknown handle
SceneObject *objectFromID(ItemID id);     // null unless an object of the scene
SceneLight *lightFromID(ItemID id);
SceneCamera *cameraFromID(ItemID id);

}  // namespace minihost
