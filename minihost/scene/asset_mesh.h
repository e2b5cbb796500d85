// A model file read through the asset reader, as one mesh of minihost: each
// node's meshes placed by the node's transform (at rest, before any
// animation), one surface per material, named as the file names it.
#pragma once

#include <string>

#include "minihost/assets/asset_records.h"
#include "minihost/scene/mesh.h"

namespace minihost {

// Node `n`'s transform to the file's root, at rest.
Affine assetNodeToRoot(const Asset &asset, int node);
// The same at `time` seconds of the file's animation: keyed channels
// interpolated (rotations along the shorter arc), the others at rest.
Affine assetNodeToRootAt(const Asset &asset, int node, double time);
// True when the node or one above it is keyed.
bool assetNodeAnimated(const Asset &asset, int node);
// The first node of that name; -1 when there is none.
int assetNodeNamed(const Asset &asset, const std::string &name);

// A transform as position, rotation (heading, pitch, bank in radians) and
// scale, the way items move: exact for every transform without shear.
struct ItemPose {
    Vec3 position, rotation, scale{1, 1, 1};
};
ItemPose poseOf(const Affine &transform);

// One node's meshes alone, in the node's own frame (for an object that the
// node's transform places).
Mesh meshFromAssetNode(const Asset &asset, int node, double creaseAngle);

// Normals come from the file; meshes without them get normals smoothed
// within `creaseAngle` (radians). Material colours become surface colours;
// the asset's notices become the mesh's.
Mesh meshFromAsset(const Asset &asset, double creaseAngle);

}  // namespace minihost
