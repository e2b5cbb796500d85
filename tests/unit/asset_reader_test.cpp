// Model files through the asset reader: the glTF example made in the tree,
// the frame they come into, and files that hold nothing to draw.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "minihost/assets/asset_reader.h"
#include "minihost/files/input_error.h"
#include "minihost/scene/asset_mesh.h"
#include "minihost/scene/transforms.h"

namespace {

using namespace minihost;

const std::string kToys = std::string(QR_SOURCE_DIR) + "/examples/models/toys.gltf";

TEST(AssetReader, TheToysExampleComesInWithItsMaterialsCameraLightAndKeys) {
    const Asset asset = readAsset(kToys);
    ASSERT_GE(asset.materials.size(), 2u);  // and the importer's default
    EXPECT_EQ(asset.materials[0].name, "Floor Tile");
    EXPECT_TRUE(asset.materials[1].hasColor);
    EXPECT_NEAR(asset.materials[1].color[0], 0.8, 1e-6);

    ASSERT_EQ(asset.cameras.size(), 1u);
    EXPECT_EQ(asset.cameras[0].name, "Shot Camera");
    const Vec3 eye =
        assetNodeToRoot(asset, asset.cameras[0].node).apply(load(asset.cameras[0].position.data()));
    EXPECT_NEAR(length(eye - Vec3{4, 3, -5}), 0, 1e-6);
    EXPECT_NEAR(asset.cameras[0].hfov, 2 * std::atan(1.5 * std::tan(0.3)), 1e-4);
    ASSERT_EQ(asset.lights.size(), 1u);
    EXPECT_EQ(asset.lights[0].kind, AssetLight::Kind::directional);

    // The top's keys, with Z turned round into minihost's frame.
    const AssetNode *top = nullptr;
    for (const AssetNode &n : asset.nodes)
        if (n.name == "Top") top = &n;
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->keys.positions.size(), 3u);
    EXPECT_DOUBLE_EQ(top->keys.positions[2].first, 1.0);
    EXPECT_NEAR(top->keys.positions[2].second[1], 0.9, 1e-6);
    ASSERT_EQ(top->keys.rotations.size(), 3u);
    EXPECT_NEAR(top->keys.rotations[2].second[2], -std::sin(kPi / 4), 1e-6);  // y turned round
    EXPECT_NEAR(asset.duration, 1.0, 1e-9);

    const Mesh mesh = meshFromAsset(asset, radians(60));
    EXPECT_EQ(mesh.surfaceNames, (std::vector<std::string>{"Floor Tile", "Painted Red"}));
    EXPECT_EQ(meshFault(mesh), "");
    EXPECT_EQ(mesh.numPolygons(), 12 + 12 + 48);
    // Every face of the closed crate still faces outwards after the turn of Z.
    for (int p = 0; p < mesh.numPolygons(); ++p) {
        if (mesh.polySurface[static_cast<size_t>(p)] != 1 || p >= 24) continue;
        Vec3 centre;
        for (int k = 0; k < 3; ++k) centre = centre + mesh.point(mesh.corner(p, k)) * (1.0 / 3);
        const Vec3 crate{-0.6, 0.5, -0.2};
        EXPECT_GT(dot(polygonNormal(mesh, p), centre - crate), 0) << p;
    }
}

TEST(AssetReader, FilesWithNothingToDrawAreRefusedNamingTheFile) {
    const auto dir = std::filesystem::temp_directory_path() / "qr_asset_reader";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "empty.glb");
    std::ofstream(dir / "lines.gltf") << R"({"asset": {"version": "2.0"}, "nodes": [{"mesh": 0}],
        "scenes": [{"nodes": [0]}], "scene": 0,
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": 1}]}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 2, "type": "VEC3",
                       "min": [0, 0, 0], "max": [1, 0, 0]}],
        "bufferViews": [{"buffer": 0, "byteLength": 24}],
        "buffers": [{"byteLength": 24, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAA"}]})";
    std::ofstream(dir / "broken.gltf") << "{\"asset\": {\"version\": \"2.0\"}, \"nodes\": [";
    std::ofstream(dir / "solid.stl") << "solid nothing\nendsolid nothing\n";
    std::ofstream(dir / "model.xyz") << "1 2 3\n";
    const std::pair<const char *, std::string> cases[] = {
        {"empty.glb", "empty.glb: the file is empty"},
        {"lines.gltf", "lines.gltf: the file has only points and lines, no faces to render"},
        {"broken.gltf", "broken.gltf: cannot be read"},
        {"solid.stl", "solid.stl: "},
        {"model.xyz", "model.xyz: not a mesh format minihost reads (it reads Wavefront OBJ (.obj), glTF 2.0"},
        {"none.glb", "none.glb: no such mesh file"},
    };
    for (const auto &[file, expected] : cases) {
        std::string error = "(read)";
        try {
            readAsset((dir / file).string());
        } catch (const InputError &e) {
            error = e.what();
        }
        EXPECT_NE(error.find(expected), std::string::npos) << file << ": " << error;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// A node's transform becomes an item's position, rotation and scale exactly,
// mirrored ones included.
TEST(AssetReader, TransformsBecomeItemPosesExactly) {
    using namespace minihost;
    const Vec3 rotations[] = {{0.3, -0.7, 1.1}, {-2.5, 0.2, -0.4}, {3.0, 1.2, 2.9}};
    for (const Vec3 &hpb : rotations)
        for (const Vec3 &scale : {Vec3{1, 1, 1}, Vec3{2, 0.5, 3}, Vec3{-1.5, 1, 1}}) {
            const Affine t{rotationMatrix(hpb) * scaleMatrix(scale), {1, -2, 3}};
            const ItemPose pose = poseOf(t);
            const Affine back{rotationMatrix(pose.rotation) * scaleMatrix(pose.scale), pose.position};
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) EXPECT_NEAR(back.linear(r, c), t.linear(r, c), 1e-9);
            EXPECT_NEAR(length(back.offset - t.offset), 0, 1e-12);
        }
}

}  // namespace
