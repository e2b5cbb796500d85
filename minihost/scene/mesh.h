// A polygon mesh in object space: points, polygons with their surface names,
// per-corner smoothed normals and weight maps.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "minihost/scene/vec_math.h"

namespace minihost {

// A per-point map of one value ("WGHT"); `has` marks the points it covers.
struct WeightMap {
    std::string name;
    std::vector<float> values;
    std::vector<uint8_t> has;
};

struct Mesh {
    std::vector<std::array<float, 3>> points;
    // Polygon p has the corners polyStart[p] .. polyStart[p + 1] - 1 of
    // polyVerts (point indices) and of cornerNormals.
    std::vector<int> polyStart{0};
    std::vector<int> polyVerts;
    std::vector<int> polySurface;  // index into surfaceNames
    std::vector<std::array<float, 3>> cornerNormals;
    std::vector<std::string> surfaceNames;
    std::vector<WeightMap> weightMaps;
    // Other files the mesh was read from (an OBJ's material files): inputs
    // that no output may replace.
    std::vector<std::string> sideFiles;
    // Colours the mesh file gives its surfaces, by surface name; a scene's
    // own colour for a surface overrides it.
    std::map<std::string, std::array<double, 3>> surfaceColors;
    // What the reader noticed and the user should hear (each said once),
    // such as a material the file uses but does not define.
    std::vector<std::string> notices;

    int numPoints() const { return static_cast<int>(points.size()); }
    int numPolygons() const { return static_cast<int>(polySurface.size()); }
    int polySize(int p) const { return polyStart[p + 1] - polyStart[p]; }
    int corner(int p, int k) const { return polyVerts[polyStart[p] + k]; }
    Vec3 point(int i) const { return load(points[static_cast<size_t>(i)].data()); }

    int addPoint(Vec3 p);
    // Index of the surface of that name, added when new.
    int surfaceIndex(const std::string &name);
    void addPolygon(const std::vector<int> &verts, int surface);
};

// Unnormalised area normal of a polygon (Newell's method; zero when degenerate).
Vec3 polygonNormal(const Mesh &mesh, int polygon);

// Fills cornerNormals: each corner gets the area-weighted mean of the normals
// of the polygons around its point that lie within `creaseAngle` (radians) of
// its own polygon and carry the same surface. Existing normals are replaced.
void computeSmoothNormals(Mesh &mesh, double creaseAngle);

// An empty string for a sound mesh, else what is wrong with it (an index out
// of range, a polygon of fewer than three corners, a point that is not finite).
std::string meshFault(const Mesh &mesh);

// A weight map whose value at each point runs from -1 at the mesh's lowest to
// +1 at its highest coordinate along `axis` (0 x, 1 y, 2 z).
WeightMap axisGradientMap(const Mesh &mesh, const std::string &name, int axis);

}  // namespace minihost
