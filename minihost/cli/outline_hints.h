// Outlines need two servers of one module: its edge shader on the surfaces
// and its tracer among the filters. A scene that has one without the other
// renders without outlines and would say nothing; these hints say what to add.
#pragma once

#include <string>
#include <vector>

#include "minihost/scene/scene.h"

namespace minihost::cli {

// One line per module that has its shader on a surface but no tracer, or a
// tracer but its shader on no surface; empty when the scene is whole.
std::vector<std::string> outlineHints(const Scene &scene);

}  // namespace minihost::cli
