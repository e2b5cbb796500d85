// Built-in primitive meshes, centred on the object's origin, with outward
// normals and one surface.
#pragma once

#include <string>

#include "minihost/scene/mesh.h"

namespace minihost {

Mesh makeSphere(double radius, int segments, int rings, const std::string &surface);
Mesh makeBox(Vec3 size, const std::string &surface);
Mesh makeTorus(double majorRadius, double minorRadius, int segments, int sides, const std::string &surface);
// A square in the XZ plane facing +Y, divided into `divisions` squares a side.
Mesh makePlane(double width, double depth, int divisions, const std::string &surface);

}  // namespace minihost
