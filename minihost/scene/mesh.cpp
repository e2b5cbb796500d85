#include "minihost/scene/mesh.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace minihost {

int Mesh::addPoint(Vec3 p) {
    points.push_back({static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
    return numPoints() - 1;
}

int Mesh::surfaceIndex(const std::string &name) {
    for (size_t i = 0; i < surfaceNames.size(); ++i)
        if (surfaceNames[i] == name) return static_cast<int>(i);
    surfaceNames.push_back(name);
    return static_cast<int>(surfaceNames.size()) - 1;
}

void Mesh::addPolygon(const std::vector<int> &verts, int surface) {
    polyVerts.insert(polyVerts.end(), verts.begin(), verts.end());
    polyStart.push_back(static_cast<int>(polyVerts.size()));
    polySurface.push_back(surface);
}

Vec3 polygonNormal(const Mesh &mesh, int p) {
    Vec3 n;
    const int count = mesh.polySize(p);
    for (int k = 0; k < count; ++k) {
        const Vec3 a = mesh.point(mesh.corner(p, k));
        const Vec3 b = mesh.point(mesh.corner(p, (k + 1) % count));
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

void computeSmoothNormals(Mesh &mesh, double creaseAngle) {
    const int polys = mesh.numPolygons();
    std::vector<Vec3> faceNormal(static_cast<size_t>(polys));
    for (int p = 0; p < polys; ++p) faceNormal[static_cast<size_t>(p)] = polygonNormal(mesh, p);

    // polygons around each point
    std::vector<std::vector<int>> around(mesh.points.size());
    for (int p = 0; p < polys; ++p)
        for (int k = 0; k < mesh.polySize(p); ++k)
            around[static_cast<size_t>(mesh.corner(p, k))].push_back(p);

    // A point shared by more polygons than this (the tip of a fan, the pole
    // of a sphere of many segments) is smoothed against the sum of its
    // surface's polygons there instead of against each of them, so that the
    // work stays linear in the number of corners.
    constexpr size_t kPairwiseLimit = 64;
    std::unordered_map<size_t, std::unordered_map<int, Vec3>> sums;  // point -> surface -> sum
    auto surfaceSum = [&](size_t point, int surface) -> Vec3 {
        auto [it, fresh] = sums.try_emplace(point);
        if (fresh)
            for (int q : around[point]) {
                Vec3 &sum = it->second[mesh.polySurface[static_cast<size_t>(q)]];
                sum = sum + faceNormal[static_cast<size_t>(q)];
            }
        return it->second[surface];
    };

    const double cosLimit = std::cos(creaseAngle);
    mesh.cornerNormals.assign(mesh.polyVerts.size(), {0, 0, 0});
    for (int p = 0; p < polys; ++p) {
        const Vec3 own = normalized(faceNormal[static_cast<size_t>(p)]);
        const int surface = mesh.polySurface[static_cast<size_t>(p)];
        for (int k = 0; k < mesh.polySize(p); ++k) {
            const auto point = static_cast<size_t>(mesh.corner(p, k));
            Vec3 sum;
            if (around[point].size() > kPairwiseLimit) {
                const Vec3 all = surfaceSum(point, surface);
                sum = dot(normalized(all), own) >= cosLimit ? all : own;
            } else {
                for (int q : around[point]) {
                    if (mesh.polySurface[static_cast<size_t>(q)] != surface) continue;
                    const Vec3 other = faceNormal[static_cast<size_t>(q)];
                    if (q == p || dot(normalized(other), own) >= cosLimit) sum = sum + other;
                }
            }
            const Vec3 n = length(sum) > 0 ? normalized(sum) : own;
            mesh.cornerNormals[static_cast<size_t>(mesh.polyStart[p] + k)] = {
                static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
        }
    }
}

std::string meshFault(const Mesh &mesh) {
    for (size_t i = 0; i < mesh.points.size(); ++i)
        for (float c : mesh.points[i])
            if (!std::isfinite(c)) return "point " + std::to_string(i) + " is not finite";
    if (mesh.polyStart.size() != mesh.polySurface.size() + 1) return "polygon table is inconsistent";
    for (int p = 0; p < mesh.numPolygons(); ++p) {
        if (mesh.polySize(p) < 3) return "polygon " + std::to_string(p) + " has fewer than three corners";
        for (int k = 0; k < mesh.polySize(p); ++k) {
            const int v = mesh.corner(p, k);
            if (v < 0 || v >= mesh.numPoints())
                return "polygon " + std::to_string(p) + " refers to point " + std::to_string(v) + " of " +
                       std::to_string(mesh.numPoints());
        }
        const int s = mesh.polySurface[static_cast<size_t>(p)];
        if (s < 0 || s >= static_cast<int>(mesh.surfaceNames.size()))
            return "polygon " + std::to_string(p) + " has no surface";
    }
    return {};
}

WeightMap axisGradientMap(const Mesh &mesh, const std::string &name, int axis) {
    WeightMap map;
    map.name = name;
    map.values.assign(mesh.points.size(), 0.0f);
    map.has.assign(mesh.points.size(), 1);
    if (mesh.points.empty()) return map;
    const auto a = static_cast<size_t>(std::clamp(axis, 0, 2));
    float lo = mesh.points[0][a], hi = lo;
    for (const auto &p : mesh.points) {
        lo = std::min(lo, p[a]);
        hi = std::max(hi, p[a]);
    }
    const float span = hi - lo;
    for (size_t i = 0; i < mesh.points.size(); ++i)
        map.values[i] = span > 0 ? (mesh.points[i][a] - lo) / span * 2.0f - 1.0f : 0.0f;
    return map;
}

}  // namespace minihost
