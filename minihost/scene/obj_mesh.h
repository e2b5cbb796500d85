// Meshes from Wavefront OBJ files: one surface per material ("usemtl"), the
// file's own normals where it has them, smoothed ones elsewhere.
#pragma once

#include <string>

#include "minihost/scene/mesh.h"

namespace minihost {

// Polygons without a material get the surface "Default". Corners without a
// normal in the file get normals smoothed within `creaseAngle` (radians).
// Throws InputError naming the file when it cannot be read or is not a sound
// mesh. The file must be a regular file within kMaxMeshFileBytes, and so must
// its material files; a damaged line is refused naming its number.
Mesh loadObjMesh(const std::string &path, double creaseAngle);
// The same from the file's text; material files are looked for in `folder`,
// and faults name `file` (empty: a text of no file, faults name the line).
Mesh meshFromObjText(const std::string &text, const std::string &folder, double creaseAngle,
                     const std::string &file = std::string());

}  // namespace minihost
