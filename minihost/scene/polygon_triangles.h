// Splitting a polygon into triangles that cover it exactly. A fan from the
// first corner is kept wherever it does (every convex polygon, and every one
// whose first corner sees all the others), so that such meshes draw as they
// always have; any other polygon (concave, or bent out of its plane so that
// the fan folds over) is cut by ear clipping in its own mean plane, keeping
// the winding.
#pragma once

#include <array>
#include <vector>

#include "minihost/scene/vec_math.h"

namespace minihost {

// True when the fan from corner 0 has no triangle that turns against the
// polygon's mean normal.
bool fanCoversPolygon(const std::vector<Vec3> &corners);

// Triangles as indices into `corners`, in the polygon's winding; n - 2 of
// them for n corners (degenerate ones included, so that no area is lost).
std::vector<std::array<int, 3>> earClipPolygon(const std::vector<Vec3> &corners);

}  // namespace minihost
