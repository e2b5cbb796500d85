#include "minihost/scene/primitives.h"

#include <algorithm>
#include <cmath>

namespace minihost {
namespace {

// Reverses polygons whose normal points towards `inside(centroid)`.
template <typename InsideFn>
void orientOutward(Mesh &mesh, InsideFn inside) {
    for (int p = 0; p < mesh.numPolygons(); ++p) {
        Vec3 c;
        for (int k = 0; k < mesh.polySize(p); ++k) c = c + mesh.point(mesh.corner(p, k));
        c = c * (1.0 / mesh.polySize(p));
        if (dot(polygonNormal(mesh, p), c - inside(c)) < 0)
            std::reverse(mesh.polyVerts.begin() + mesh.polyStart[p],
                         mesh.polyVerts.begin() + mesh.polyStart[p + 1]);
    }
}

}  // namespace

Mesh makeSphere(double radius, int segments, int rings, const std::string &surface) {
    segments = std::max(segments, 3);
    rings = std::max(rings, 2);
    Mesh mesh;
    const int s = mesh.surfaceIndex(surface);
    const int top = mesh.addPoint({0, radius, 0});
    for (int r = 1; r < rings; ++r) {
        const double theta = kPi * r / rings;
        for (int j = 0; j < segments; ++j) {
            const double phi = 2 * kPi * j / segments;
            mesh.addPoint({radius * std::sin(theta) * std::sin(phi), radius * std::cos(theta),
                           radius * std::sin(theta) * std::cos(phi)});
        }
    }
    const int bottom = mesh.addPoint({0, -radius, 0});
    auto at = [&](int r, int j) { return 1 + (r - 1) * segments + (j % segments); };
    for (int j = 0; j < segments; ++j) mesh.addPolygon({top, at(1, j), at(1, j + 1)}, s);
    for (int r = 1; r < rings - 1; ++r)
        for (int j = 0; j < segments; ++j)
            mesh.addPolygon({at(r, j), at(r + 1, j), at(r + 1, j + 1), at(r, j + 1)}, s);
    for (int j = 0; j < segments; ++j) mesh.addPolygon({bottom, at(rings - 1, j + 1), at(rings - 1, j)}, s);
    orientOutward(mesh, [](Vec3) { return Vec3{}; });
    computeSmoothNormals(mesh, radians(89.0));
    return mesh;
}

Mesh makeBox(Vec3 size, const std::string &surface) {
    Mesh mesh;
    const int s = mesh.surfaceIndex(surface);
    const Vec3 h = size * 0.5;
    // Each face has its own four points, so the edges stay sharp.
    const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int a = 0; a < 3; ++a) {
        const Vec3 n = axes[a], u = axes[(a + 1) % 3], v = axes[(a + 2) % 3];
        for (double sign : {-1.0, 1.0}) {
            auto corner = [&](double su, double sv) {
                const Vec3 p = n * sign + u * su + v * sv;
                return mesh.addPoint({p.x * h.x, p.y * h.y, p.z * h.z});
            };
            mesh.addPolygon({corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1)}, s);
        }
    }
    orientOutward(mesh, [](Vec3) { return Vec3{}; });
    computeSmoothNormals(mesh, radians(30.0));
    return mesh;
}

Mesh makeTorus(double majorRadius, double minorRadius, int segments, int sides, const std::string &surface) {
    segments = std::max(segments, 3);
    sides = std::max(sides, 3);
    Mesh mesh;
    const int s = mesh.surfaceIndex(surface);
    for (int i = 0; i < segments; ++i) {
        const double u = 2 * kPi * i / segments;
        for (int j = 0; j < sides; ++j) {
            const double v = 2 * kPi * j / sides;
            const double r = majorRadius + minorRadius * std::cos(v);
            mesh.addPoint({r * std::cos(u), minorRadius * std::sin(v), r * std::sin(u)});
        }
    }
    auto at = [&](int i, int j) { return (i % segments) * sides + (j % sides); };
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j)
            mesh.addPolygon({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)}, s);
    orientOutward(mesh, [&](Vec3 c) {
        const double len = std::hypot(c.x, c.z);
        if (len == 0) return Vec3{};
        return Vec3{c.x / len * majorRadius, 0, c.z / len * majorRadius};
    });
    computeSmoothNormals(mesh, radians(89.0));
    return mesh;
}

Mesh makePlane(double width, double depth, int divisions, const std::string &surface) {
    divisions = std::clamp(divisions, 1, 1000);
    Mesh mesh;
    const int s = mesh.surfaceIndex(surface);
    for (int i = 0; i <= divisions; ++i)
        for (int j = 0; j <= divisions; ++j)
            mesh.addPoint({(static_cast<double>(j) / divisions - 0.5) * width, 0,
                           (static_cast<double>(i) / divisions - 0.5) * depth});
    auto at = [&](int i, int j) { return i * (divisions + 1) + j; };
    for (int i = 0; i < divisions; ++i)
        for (int j = 0; j < divisions; ++j)
            mesh.addPolygon({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)}, s);
    orientOutward(mesh, [](Vec3 c) { return Vec3{c.x, c.y - 1, c.z}; });
    computeSmoothNormals(mesh, radians(30.0));
    return mesh;
}

}  // namespace minihost
