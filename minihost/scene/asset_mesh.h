// A model file read through the asset reader, as one mesh of minihost: each
// node's meshes placed by the node's transform (at rest, before any
// animation), one surface per material, named as the file names it.
#pragma once

#include "minihost/assets/asset_records.h"
#include "minihost/scene/mesh.h"

namespace minihost {

// Node `n`'s transform to the file's root, at rest.
Affine assetNodeToRoot(const Asset &asset, int node);

// Normals come from the file; meshes without them get normals smoothed
// within `creaseAngle` (radians). Material colours become surface colours;
// the asset's notices become the mesh's.
Mesh meshFromAsset(const Asset &asset, double creaseAngle);

}  // namespace minihost
