// Meshes from Wavefront OBJ files: one surface per material ("usemtl"), the
// file's own normals where it has them, smoothed ones elsewhere.
#pragma once

#include <string>

#include "minihost/scene/mesh.h"

namespace minihost {

// Polygons without a material get the surface "Default". Corners without a
// normal in the file get normals smoothed within `creaseAngle` (radians).
// False with `error` set when the file cannot be read or is not a sound mesh.
// The file must be a regular file within kMaxMeshFileBytes, and so must its
// material files; a damaged line is refused naming its number.
bool loadObjMesh(const std::string &path, double creaseAngle, Mesh &mesh, std::string &error);
// The same from the file's text; material files are looked for in `folder`.
bool meshFromObjText(const std::string &text, const std::string &folder, double creaseAngle, Mesh &mesh,
                     std::string &error);

}  // namespace minihost
