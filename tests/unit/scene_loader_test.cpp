// Scene reading: motion and parents, item parameters, meshes from OBJ files
// and primitives, positions in messages.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "host/item_services.h"
#include "minihost/files/input_error.h"
#include "minihost/scene/json_positions.h"
#include "minihost/scene/obj_mesh.h"
#include "minihost/scene/primitives.h"
#include "minihost/scene/scene_loader.h"

namespace {

using namespace minihost;

Vec3 param(const Scene &s, const std::string &name, int code, double t) {
    double v[3] = {-9, -9, -9};
    EXPECT_TRUE(s.itemParam(s.itemNamed(name)->id, code, t, v)) << name << " " << code;
    return load(v);
}

void expectNear(Vec3 a, Vec3 b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

TEST(SceneLoader, MotionKeysParentsAndItemParameters) {
    const auto scene = loadSceneText(R"({
      "render": {"width": 200, "height": 100, "fps": 10, "first_frame": 0, "last_frame": 20},
      "camera": {"position": [0, 0, -10], "target": [0, 0, 0], "hfov": 90},
      "objects": [
        {"name": "Base", "primitive": {"type": "box"}, "position": [1, 0, 0], "rotation": [90, 0, 0],
         "keys": [{"frame": 0, "position": [1, 0, 0]}, {"frame": 10, "position": [3, 0, 0]}],
         "bones": [{"name": "B1", "position": [0, 1, 0]}, {"name": "B2"}]},
        {"name": "Child", "primitive": {"type": "sphere"}, "parent": "Base", "position": [0, 0, 2], "scale": 2}]
    })",
                                     "t.json");
    // linear between keys, held outside them
    expectNear(param(*scene, "Base", ITEM_PARAM_POSITION, 0.5), {2, 0, 0});
    expectNear(param(*scene, "Base", ITEM_PARAM_POSITION, 5.0), {3, 0, 0});
    expectNear(param(*scene, "Base", ITEM_PARAM_POSITION, -1.0), {1, 0, 0});
    // heading 90: +Z turns to +X, +X to -Z
    expectNear(param(*scene, "Base", ITEM_PARAM_FORWARD, 0), {1, 0, 0});
    expectNear(param(*scene, "Base", ITEM_PARAM_RIGHT, 0), {0, 0, -1});
    expectNear(param(*scene, "Base", ITEM_PARAM_UP, 0), {0, 1, 0});
    // the child's local +Z 2 becomes world +X 2 from its parent at (1, 0, 0)
    expectNear(param(*scene, "Child", ITEM_PARAM_W_POSITION, 0), {3, 0, 0});
    expectNear(param(*scene, "Child", ITEM_PARAM_POSITION, 0), {0, 0, 2});
    expectNear(param(*scene, "Child", ITEM_PARAM_W_FORWARD, 0), {2, 0, 0});  // scaled axis
    expectNear(param(*scene, "Child", ITEM_PARAM_FORWARD, 0), {1, 0, 0});
    expectNear(param(*scene, "Child", ITEM_PARAM_SCALING, 0), {2, 2, 2});
    expectNear(param(*scene, "Base", ITEM_PARAM_ROTATION, 0), {kPi / 2, 0, 0});
    expectNear(param(*scene, "B1", ITEM_PARAM_W_POSITION, 0), {1, 1, 0});
    EXPECT_EQ(scene->item(scene->itemNamed("B1")->id)->parent, scene->itemNamed("Base")->id);
    // the camera looks at the origin along +Z
    expectNear(param(*scene, "Camera", ITEM_PARAM_FORWARD, 0), {0, 0, 1});
    // unknown items and codes leave the vector alone
    double v[3] = {7, 7, 7};
    EXPECT_FALSE(scene->itemParam(0x7777, ITEM_PARAM_POSITION, 0, v));
    EXPECT_FALSE(scene->itemParam(scene->renderCamera, 13, 0, v));
    EXPECT_FALSE(scene->itemParam(scene->renderCamera, 0, 0, v));
    EXPECT_EQ(v[0], 7);
}

TEST(SceneLoader, TargetPitchesDownAndUp) {
    EXPECT_NEAR(rotationMatrix(headingPitchTowards({0, -1, 1})).column(2).y, -std::sqrt(0.5), 1e-12);
    const Mat3 r = rotationMatrix({radians(30), radians(20), radians(10)});
    const Mat3 i = r * transposed(r);
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) EXPECT_NEAR(i(a, b), a == b ? 1 : 0, 1e-12);
    // bank tips +Y towards +X
    EXPECT_GT(rotationMatrix({0, 0, radians(30)}).column(1).x, 0);
}

TEST(SceneLoader, ObjSurfacesFromMaterialsAndNormals) {
    const auto dir = std::filesystem::temp_directory_path() / "qr_obj_test";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "m.mtl") << "newmtl Red\nKd 1 0 0\nnewmtl Blue\nKd 0 0 1\n";
    std::ofstream(dir / "m.obj") << "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\n"
                                    "vn 0 0 -1\nusemtl Red\nf 1//1 2//1 3//1 4//1\nusemtl Blue\nf 2 5 3\n"
                                    "usemtl Red\nf 1 3 4\n";
    Mesh mesh;
    ASSERT_NO_THROW(mesh = loadObjMesh((dir / "m.obj").string(), radians(60)));
    EXPECT_EQ(mesh.numPolygons(), 3);
    EXPECT_EQ(mesh.polySize(0), 4);  // polygons are kept, not triangulated
    EXPECT_EQ(mesh.surfaceNames, (std::vector<std::string>{"Red", "Blue"}));
    EXPECT_EQ(mesh.polySurface, (std::vector<int>{0, 1, 0}));
    EXPECT_FLOAT_EQ(mesh.cornerNormals[0][2], -1.0f);              // the file's own normal
    EXPECT_NEAR(std::fabs(mesh.cornerNormals[4][2]), 1.0f, 1e-6);  // smoothed

    std::ofstream(dir / "bad.obj") << "v 0 0 0\nv 1 0 0\nf 1 2 9\n";
    // Faults name the file, and the line where there is one.
    const std::pair<const char *, std::string> faults[] = {
        {"bad.obj", (dir / "bad.obj").string() + ":3: vertex index 9 names no vertex (the file has 2)"},
        {"none.obj", (dir / "none.obj").string() + ": no such mesh file"}};
    for (const auto &[file, expected] : faults) {
        try {
            loadObjMesh((dir / file).string(), 1);
            ADD_FAILURE() << file << " loaded";
        } catch (const InputError &e) {
            EXPECT_EQ(e.what(), expected);
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(SceneLoader, PrimitivesAreSoundAndFaceOutwards) {
    for (const Mesh &m : {makeSphere(1, 12, 6, "S"), makeBox({1, 2, 3}, "S"), makeTorus(1, 0.3, 12, 8, "S"),
                          makePlane(2, 2, 3, "S")}) {
        EXPECT_EQ(meshFault(m), "");
        EXPECT_EQ(m.cornerNormals.size(), m.polyVerts.size());
    }
    const Mesh plane = makePlane(2, 2, 3, "S");
    for (int p = 0; p < plane.numPolygons(); ++p) EXPECT_GT(polygonNormal(plane, p).y, 0);
    const Mesh s = makeSphere(2, 16, 8, "S");
    for (int p = 0; p < s.numPolygons(); ++p) {
        Vec3 c;
        for (int k = 0; k < s.polySize(p); ++k) c = c + s.point(s.corner(p, k));
        EXPECT_GT(dot(polygonNormal(s, p), c), 0) << p;
    }
    const WeightMap w = axisGradientMap(s, "h", 1);
    EXPECT_FLOAT_EQ(w.values[0], 1.0f);  // the top pole
    EXPECT_FLOAT_EQ(w.values.back(), -1.0f);
}

TEST(SceneLoader, PositionsOfKeysAndElements) {
    JsonPositions pos;
    pos.index("{\n  \"a\": [1,\n    {\"b/c\": 2}],\n  \"d\": \"x\"\n}");
    EXPECT_EQ(pos.at("/a").line, 2);
    EXPECT_EQ(pos.at("/a").column, 3);
    EXPECT_EQ(pos.at("/a/1").line, 3);
    EXPECT_EQ(pos.at("/a/1").column, 5);
    EXPECT_EQ(pos.at("/a/1/" + pointerToken("b/c")).column, 6);
    EXPECT_EQ(pos.at("/d").line, 4);
    EXPECT_EQ(pos.at("/d/nothing").line, 4);  // the nearest known value
    try {
        loadSceneText("{\"camera\": {\"position\": [0, 0]}}", "cam.json");
        FAIL();
    } catch (const InputError &e) {
        EXPECT_STREQ(e.what(), "cam.json:1:13: expected an array of three numbers");
        // The position is typed: what the command line prints is built from it.
        EXPECT_EQ(e.position().file, "cam.json");
        EXPECT_EQ(e.position().line, 1);
        EXPECT_EQ(e.position().column, 13);
        EXPECT_EQ(e.message(), "expected an array of three numbers");
    }
    try {
        loadSceneText(
            "{\"camera\": {}, \"objects\": [{\"name\": \"A\", \"primitive\": {\"type\": \"box\"}},\n"
            "{\"name\": \"A\", \"primitive\": {\"type\": \"box\"}}]}",
            "dup.json");
        FAIL();
    } catch (const InputError &e) {
        EXPECT_STREQ(e.what(), "dup.json:2:1: two items are named \"A\"");
    }
}

TEST(SceneLoader, MalformedObjTextIsRefusedWithItsLine) {
    const std::pair<const char *, const char *> cases[] = {
        {"v 0 0 0\nv nan 0 0\n", "line 2: \"nan\" is not a finite number"},
        {"v a b c\n", "line 1: \"a\" is not a finite number"},
        {"v 0 0 0\nv 1 0 0\nf 1 2\n", "line 3: a face needs at least three corners"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 100000000000000000000\n", "line 4: vertex index"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", "line 4: vertex index 4 names no vertex"},
        {"mtllib /dev/zero\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "/dev/zero\": not a regular file"},
    };
    for (const auto &[text, expected] : cases) {
        std::string error;
        try {
            meshFromObjText(text, ".", 1.0);
        } catch (const InputError &e) {
            error = e.what();
        }
        EXPECT_NE(error.find(expected), std::string::npos) << text << ": " << error;
    }
}

TEST(SceneLoader, SmoothNormalsOfAWideFanTakeLinearTime) {
    // 300000 triangles around one corner: pairwise smoothing there would run
    // for many minutes.
    Mesh fan;
    const int n = 300000;
    fan.addPoint({0, 0, 0});
    for (int i = 0; i <= n; ++i) fan.addPoint({std::cos(i * 1e-5), std::sin(i * 1e-5), 0});
    for (int i = 0; i < n; ++i) fan.addPolygon({0, i + 2, i + 1}, fan.surfaceIndex("Fan"));
    computeSmoothNormals(fan, 1.0);
    for (const auto &c : fan.cornerNormals) ASSERT_NEAR(std::fabs(c[2]), 1.0f, 1e-6f);
}

}  // namespace

namespace {

// The complete example of the scene format's page loads as shipped, saved
// beside the other examples: every file it names is there.
TEST(SceneLoader, TheDocumentedCompleteExampleLoads) {
    std::ifstream page(std::string(QR_SOURCE_DIR) + "/docs/scene-format.md");
    const std::string text((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    const size_t heading = text.find("## A complete example");
    ASSERT_NE(heading, std::string::npos);
    const size_t start = text.find("```json\n", heading) + 8, end = text.find("```", start);
    ASSERT_LT(start, end);
    std::unique_ptr<minihost::Scene> scene;
    ASSERT_NO_THROW(scene = minihost::loadSceneText(text.substr(start, end - start),
                                                    std::string(QR_SOURCE_DIR) + "/examples/complete.json"));
    EXPECT_NE(scene->lights[1]->projection, nullptr);
}

}  // namespace
