// The stage of a material preview: a unit sphere in front of a camera, lit by
// one light from the upper left, on a neutral background. The stage is a
// scene of its own that is never installed as the active scene, so the
// services keep describing the loaded scene and the sphere is none of its
// objects.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "minihost/scene/scene.h"

namespace minihost {

// The surface a preview shows: "NAME" is the first surface of that name in
// scene order, "OBJECT/NAME" that object's surface. Null when there is none.
SceneSurface *findPreviewSurface(const Scene &scene, const std::string &name);

// Every surface name of the scene once, in scene order.
std::vector<std::string> surfaceNames(const Scene &scene);

// An item identifier of the object type that no item of `scene` has.
ItemID unusedObjectID(const Scene &scene);

// The preview stage, `size` x `size` pixels, with the scene's frame rate and
// bounce limit. Its sphere carries an identifier that no item of `scene`
// has. Throws InputError on a fault.
std::unique_ptr<Scene> makePreviewStage(const Scene &scene, int size);

}  // namespace minihost
