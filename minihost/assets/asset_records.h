// A model file as plain records, already in minihost's frame (left-handed,
// +X right, +Y up, +Z forward): the importer's right-handed frame has its Z
// axis turned round, and every triangle's corner order reversed so that it
// still faces the way it did.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace minihost {

using Float3 = std::array<float, 3>;
using Double3 = std::array<double, 3>;
// 4 x 4, row major, acting on column vectors: row 3 is 0 0 0 1.
using Matrix4 = std::array<double, 16>;

struct AssetMaterial {
    std::string name;  // as the file gives it; "" when it names none
    bool hasColor = false;
    Double3 color{0.8, 0.8, 0.8};  // base colour, else diffuse
};

struct AssetMesh {
    std::string name;
    int material = 0;
    std::vector<Float3> points;
    std::vector<Float3> normals;  // one per point, or none
    std::vector<std::array<int, 3>> triangles;
    bool skinned = false;  // has bones; drawn in its bind pose
};

// Keys of one node's local transform (seconds).
struct AssetNodeKeys {
    std::vector<std::pair<double, Double3>> positions, scales;
    std::vector<std::pair<double, std::array<double, 4>>> rotations;  // quaternions w, x, y, z
};

struct AssetNode {
    std::string name;
    int parent = -1;  // nodes come after their parents
    Matrix4 local{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<int> meshes;
    AssetNodeKeys keys;  // empty when the node is not animated
};

// A camera or light: its node, and where it stands and looks in the node's
// frame. Cameras look along `forward` with `up` up; lights shine along it.
struct AssetView {
    std::string name;
    int node = -1;
    Double3 position{0, 0, 0}, forward{0, 0, 1}, up{0, 1, 0};
};

struct AssetCamera : AssetView {
    double hfov = 0.8;  // radians
    double aspect = 0;  // width / height; 0 when the file does not say
};

struct AssetLight : AssetView {
    enum class Kind { point, spot, directional } kind = Kind::point;
    Double3 color{1, 1, 1};       // colour times the file's intensity
    double cone = 0.5, edge = 0;  // spot: half angle of the full beam, soft edge (radians)
};

struct Asset {
    std::string path;
    std::vector<AssetMaterial> materials;
    std::vector<AssetMesh> meshes;
    std::vector<AssetNode> nodes;
    std::vector<AssetCamera> cameras;
    std::vector<AssetLight> lights;
    double duration = 0;  // seconds of the longest animation
    std::vector<std::string> notices;
};

}  // namespace minihost
