// `minihost info SCENE.json` or `minihost info MODEL`: what a scene or a
// model file holds, for writing and checking scenes by hand: each object's
// surfaces with their face and point counts and its bounding box, the
// cameras, the lights and the frame range.
#pragma once

#include <ostream>

#include "minihost/scene/scene.h"

namespace minihost::cli {

void printSceneInfo(const Scene &scene, std::ostream &out);

}  // namespace minihost::cli
