#include "minihost/scene/asset_mesh.h"

#include <algorithm>
#include <cmath>

#include "minihost/scene/text_encoding.h"
#include "minihost/scene/transforms.h"

namespace minihost {

namespace {

Affine affineOf(const Matrix4 &m) {
    Affine a;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) a.linear(r, c) = m[static_cast<size_t>(r * 4 + c)];
    a.offset = {m[3], m[7], m[11]};
    return a;
}

double determinant(const Mat3 &m) { return dot(m.column(0), cross(m.column(1), m.column(2))); }

std::string surfaceName(const AssetMaterial &m) {
    return m.name.empty() ? std::string("Default") : utf8FromUtf8OrLatin1(m.name);
}

using Quat = std::array<double, 4>;  // w, x, y, z

Mat3 matrixOf(const Quat &q) {
    const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(n > 0)) return Mat3{};
    const double w = q[0] / n, x = q[1] / n, y = q[2] / n, z = q[3] / n;
    Mat3 m;
    m.m = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),
           2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
           2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y)};
    return m;
}

Quat slerp(const Quat &a, Quat b, double f) {
    double d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    if (d < 0) {  // the shorter arc
        for (double &v : b) v = -v;
        d = -d;
    }
    Quat out;
    if (d > 0.9995) {
        for (size_t i = 0; i < 4; ++i) out[i] = a[i] + (b[i] - a[i]) * f;
        return out;
    }
    const double angle = std::acos(std::min(d, 1.0)), s = std::sin(angle);
    const double wa = std::sin((1 - f) * angle) / s, wb = std::sin(f * angle) / s;
    for (size_t i = 0; i < 4; ++i) out[i] = wa * a[i] + wb * b[i];
    return out;
}

template <typename T, typename Mix>
T keyed(const std::vector<std::pair<double, T>> &keys, double t, Mix mix) {
    if (t <= keys.front().first) return keys.front().second;
    if (t >= keys.back().first) return keys.back().second;
    size_t i = 1;
    while (i < keys.size() && keys[i].first < t) ++i;
    const auto &[t0, v0] = keys[i - 1];
    const auto &[t1, v1] = keys[i];
    return t1 > t0 ? mix(v0, v1, (t - t0) / (t1 - t0)) : v1;
}

Double3 lerp3(const Double3 &a, const Double3 &b, double f) {
    return {a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f};
}

Affine localAt(const AssetNode &node, double t) {
    const Affine rest = affineOf(node.local);
    const AssetNodeKeys &k = node.keys;
    if (k.positions.empty() && k.rotations.empty() && k.scales.empty()) return rest;
    const ItemPose pose = poseOf(rest);
    const Vec3 position = k.positions.empty() ? pose.position : load(keyed(k.positions, t, lerp3).data());
    const Vec3 scale = k.scales.empty() ? pose.scale : load(keyed(k.scales, t, lerp3).data());
    const Mat3 rotation =
        k.rotations.empty() ? rotationMatrix(pose.rotation) : matrixOf(keyed(k.rotations, t, slerp));
    return {rotation * scaleMatrix(scale), position};
}

void addNodeMeshes(const Asset &asset, size_t n, const Affine &toRoot, Mesh &out,
                   std::vector<std::array<float, 3>> &fileNormals) {
    const Mat3 normalMatrix = transposed(inverted(toRoot.linear));
    const bool mirrored = determinant(toRoot.linear) < 0;
    for (const int m : asset.nodes[n].meshes) {
        const AssetMesh &mesh = asset.meshes[static_cast<size_t>(m)];
        if (mesh.triangles.empty()) continue;
        const int surface =
            out.surfaceIndex(surfaceName(asset.materials[static_cast<size_t>(mesh.material)]));
        const int first = out.numPoints();
        for (const Float3 &p : mesh.points) out.addPoint(toRoot.apply(load(p.data())));
        for (const auto &t : mesh.triangles) {
            // A mirroring transform turns the faces inside out; their
            // corner order turns them back.
            const std::array<int, 3> order = mirrored ? std::array<int, 3>{t[0], t[2], t[1]} : t;
            out.addPolygon({first + order[0], first + order[1], first + order[2]}, surface);
            for (const int k : order) {
                Vec3 normal;
                if (!mesh.normals.empty())
                    normal = normalized(normalMatrix * load(mesh.normals[static_cast<size_t>(k)].data()));
                fileNormals.push_back({static_cast<float>(normal.x), static_cast<float>(normal.y),
                                       static_cast<float>(normal.z)});
            }
        }
    }
}

// Colours, notices and normals once the polygons are in.
Mesh finished(const Asset &asset, Mesh out, const std::vector<std::array<float, 3>> &fileNormals,
              double creaseAngle) {
    for (const AssetMaterial &m : asset.materials)
        if (m.hasColor) out.surfaceColors.emplace(surfaceName(m), m.color);  // the first of one name
    out.notices = asset.notices;
    computeSmoothNormals(out, creaseAngle);
    for (size_t c = 0; c < fileNormals.size(); ++c)
        if (fileNormals[c] != std::array<float, 3>{0, 0, 0}) out.cornerNormals[c] = fileNormals[c];
    return out;
}

}  // namespace

Affine assetNodeToRoot(const Asset &asset, int node) {
    Affine out;
    for (int n = node; n >= 0; n = asset.nodes[static_cast<size_t>(n)].parent)
        out = affineOf(asset.nodes[static_cast<size_t>(n)].local) * out;
    return out;
}

Affine assetNodeToRootAt(const Asset &asset, int node, double time) {
    Affine out;
    for (int n = node; n >= 0; n = asset.nodes[static_cast<size_t>(n)].parent)
        out = localAt(asset.nodes[static_cast<size_t>(n)], time) * out;
    return out;
}

bool assetNodeAnimated(const Asset &asset, int node) {
    for (int n = node; n >= 0; n = asset.nodes[static_cast<size_t>(n)].parent) {
        const AssetNodeKeys &k = asset.nodes[static_cast<size_t>(n)].keys;
        if (!k.positions.empty() || !k.rotations.empty() || !k.scales.empty()) return true;
    }
    return false;
}

int assetNodeNamed(const Asset &asset, const std::string &name) {
    for (size_t n = 0; n < asset.nodes.size(); ++n)
        if (asset.nodes[n].name == name) return static_cast<int>(n);
    return -1;
}

ItemPose poseOf(const Affine &t) {
    ItemPose pose;
    pose.position = t.offset;
    pose.scale = {length(t.linear.column(0)), length(t.linear.column(1)), length(t.linear.column(2))};
    if (determinant(t.linear) < 0) pose.scale.x = -pose.scale.x;
    const double s[3] = {pose.scale.x, pose.scale.y, pose.scale.z};
    Mat3 r;
    for (int k = 0; k < 3; ++k)
        for (int row = 0; row < 3; ++row)
            r(row, k) = s[k] != 0 ? t.linear(row, k) / s[k] : (row == k ? 1 : 0);
    const Vec3 forward = r.column(2);
    const double heading = std::atan2(forward.x, forward.z);
    const double pitch = -std::asin(std::clamp(forward.y, -1.0, 1.0));
    const Mat3 bank = transposed(rotationMatrix({heading, pitch, 0})) * r;
    pose.rotation = {heading, pitch, std::atan2(bank(0, 1), bank(1, 1))};
    return pose;
}

Mesh meshFromAsset(const Asset &asset, double creaseAngle) {
    Mesh out;
    std::vector<std::array<float, 3>> fileNormals;  // by corner; zero where the file has none
    for (size_t n = 0; n < asset.nodes.size(); ++n)
        if (!asset.nodes[n].meshes.empty())
            addNodeMeshes(asset, n, assetNodeToRoot(asset, static_cast<int>(n)), out, fileNormals);
    return finished(asset, std::move(out), fileNormals, creaseAngle);
}

Mesh meshFromAssetNode(const Asset &asset, int node, double creaseAngle) {
    Mesh out;
    std::vector<std::array<float, 3>> fileNormals;
    addNodeMeshes(asset, static_cast<size_t>(node), Affine{}, out, fileNormals);
    return finished(asset, std::move(out), fileNormals, creaseAngle);
}

}  // namespace minihost
