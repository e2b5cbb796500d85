#include "minihost/scene/asset_mesh.h"

#include "minihost/scene/text_encoding.h"

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

}  // namespace

Affine assetNodeToRoot(const Asset &asset, int node) {
    Affine out;
    for (int n = node; n >= 0; n = asset.nodes[static_cast<size_t>(n)].parent)
        out = affineOf(asset.nodes[static_cast<size_t>(n)].local) * out;
    return out;
}

Mesh meshFromAsset(const Asset &asset, double creaseAngle) {
    Mesh out;
    std::vector<std::array<float, 3>> fileNormals;  // by corner; zero where the file has none
    for (size_t n = 0; n < asset.nodes.size(); ++n) {
        if (asset.nodes[n].meshes.empty()) continue;
        const Affine toRoot = assetNodeToRoot(asset, static_cast<int>(n));
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
    for (size_t i = 0; i < asset.materials.size(); ++i)
        if (asset.materials[i].hasColor)  // the first of materials of one name
            out.surfaceColors.emplace(surfaceName(asset.materials[i]), asset.materials[i].color);
    out.notices = asset.notices;
    computeSmoothNormals(out, creaseAngle);
    for (size_t c = 0; c < fileNormals.size(); ++c)
        if (fileNormals[c] != std::array<float, 3>{0, 0, 0}) out.cornerNormals[c] = fileNormals[c];
    return out;
}

}  // namespace minihost
