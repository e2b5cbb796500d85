// Dominant axes and polygon normals for the texture spot.
#include <cmath>
#include <cstring>

#include "texlib/polygon_table.h"
#include "texlib/shader_texture_support.h"

namespace qr {

int dominantAxis(const Vector &d, const Vector &a0, const Vector &a1, const Vector &a2) noexcept {
    const double v0 = std::fabs(dot(d, a0)), v1 = std::fabs(dot(d, a1)), v2 = std::fabs(dot(d, a2));
    if (v2 > v0 && v2 > v1) return 2;
    if (v1 > v0) return 1;
    return 0;
}

bool polygonNormal(MeshInfo *mesh, PolygonID polygon, Vector &out) {
    if (!mesh || !polygon || !mesh->polSize || !mesh->polVertex || !mesh->pntBasePos) return false;
    // A size beyond any real polygon is a damaged mesh: no normal from it.
    constexpr int kMaxPolygonVertices = 1 << 20;
    const int n = mesh->polSize(mesh, polygon);
    if (n < 3 || n > kMaxPolygonVertices) return false;
    float a[3] = {0, 0, 0}, b[3] = {0, 0, 0}, c[3] = {0, 0, 0};
    mesh->pntBasePos(mesh, mesh->polVertex(mesh, polygon, 0), a);
    mesh->pntBasePos(mesh, mesh->polVertex(mesh, polygon, 1), b);
    mesh->pntBasePos(mesh, mesh->polVertex(mesh, polygon, n - 1), c);
    // A shader asks for the same polygon's normal for every sample on it:
    // each thread keeps the corners and the normal they gave per polygon.
    struct Entry {
        bool known;
        float corners[9];
        Vector normal;
    };
    thread_local PolygonTable<Entry> table;
    Entry &e = table.slotFor(polygon);
    float corners[9];
    std::memcpy(corners, a, sizeof a);
    std::memcpy(corners + 3, b, sizeof b);
    std::memcpy(corners + 6, c, sizeof c);
    if (e.known && std::memcmp(corners, e.corners, sizeof corners) == 0) {
        out = e.normal;
        return true;
    }
    const Vector ab{double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const Vector ac{double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    Vector u, v;
    normalizedCopy(u, ab);
    normalizedCopy(v, ac);
    cross(out, u, v);
    std::memcpy(e.corners, corners, sizeof corners);
    e.normal = out;
    e.known = true;
    return true;
}

}  // namespace qr
