#include "minihost/scene/polygon_triangles.h"

#include <cmath>
#include <numeric>

namespace minihost {

namespace {

Vec3 newellNormal(const std::vector<Vec3> &c) {
    Vec3 n;
    for (size_t k = 0; k < c.size(); ++k) {
        const Vec3 a = c[k], b = c[(k + 1) % c.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

struct P2 {
    double x, y;
};

double turn(P2 a, P2 b, P2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

bool same(P2 a, P2 b) { return a.x == b.x && a.y == b.y; }

// Inside or on the edge of the counter-clockwise triangle abc.
bool inTriangle(P2 p, P2 a, P2 b, P2 c) {
    return turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0;
}

}  // namespace

bool fanCoversPolygon(const std::vector<Vec3> &corners) {
    const Vec3 n = newellNormal(corners);
    // Relative to the polygon's own size, so that rounding in a flat
    // sliver never counts as a fold.
    const double tolerance = 1e-9 * dot(n, n);
    for (size_t k = 1; k + 1 < corners.size(); ++k)
        if (dot(cross(corners[k] - corners[0], corners[k + 1] - corners[0]), n) < -tolerance) return false;
    return true;
}

std::vector<std::array<int, 3>> earClipPolygon(const std::vector<Vec3> &corners) {
    const int count = static_cast<int>(corners.size());
    std::vector<std::array<int, 3>> out;
    if (count < 3) return out;
    // Counter-clockwise 2D coordinates in the plane across the mean normal.
    const Vec3 n = normalized(newellNormal(corners));
    const Vec3 helper = std::fabs(n.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    const Vec3 u = normalized(cross(helper, n)), v = cross(n, u);
    std::vector<P2> p(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        p[static_cast<size_t>(k)] = {dot(corners[static_cast<size_t>(k)], u),
                                     dot(corners[static_cast<size_t>(k)], v)};

    std::vector<int> left(static_cast<size_t>(count));
    std::iota(left.begin(), left.end(), 0);
    auto at = [&](size_t i) { return p[static_cast<size_t>(left[i])]; };
    size_t i = 0;
    while (left.size() > 3) {
        const size_t m = left.size();
        size_t ear = m, best = 0;
        double bestTurn = -INFINITY;
        for (size_t tried = 0; tried < m && ear == m; ++tried) {
            const size_t cur = (i + tried) % m, prev = (cur + m - 1) % m, next = (cur + 1) % m;
            const P2 a = at(prev), b = at(cur), c = at(next);
            const double t = turn(a, b, c);
            if (t > bestTurn) {
                bestTurn = t;
                best = cur;
            }
            if (t <= 0) continue;
            bool empty = true;
            for (size_t k = 0; k < m && empty; ++k) {
                if (k == prev || k == cur || k == next) continue;
                const P2 q = at(k);
                // Corners that coincide with the ear's (the two sides of a
                // slit) do not block it.
                if (same(q, a) || same(q, b) || same(q, c)) continue;
                empty = !inTriangle(q, a, b, c);
            }
            if (empty) ear = cur;
        }
        // No clean ear (a self-touching or degenerate polygon): cut the most
        // convex corner so that the loop always ends and no corner is lost.
        if (ear == m) ear = best;
        const size_t prev = (ear + m - 1) % m, next = (ear + 1) % m;
        out.push_back({left[prev], left[ear], left[next]});
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(ear));
        i = ear == 0 ? 0 : ear - 1;
    }
    out.push_back({left[0], left[1], left[2]});
    return out;
}

}  // namespace minihost
