// The OBJ reader on polygons of any size and shape, numbers, indices and
// normals in every form, material colours and names, and files that hold no
// mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "minihost/files/input_error.h"
#include "minihost/scene/obj_mesh.h"
#include "minihost/scene/polygon_triangles.h"
#include "minihost/scene/scene_loader.h"

namespace {

using namespace minihost;

std::string errorOf(const std::string &text, const std::string &file = "m.obj") {
    try {
        meshFromObjText(text, ".", 1.0, file);
    } catch (const InputError &e) {
        return e.what();
    }
    return "(loaded)";
}

// A convex polygon of n corners on the unit circle, then a triangle after it.
std::string circleThenTriangle(int n) {
    std::ostringstream obj;
    for (int i = 0; i < n; ++i)
        obj << "v " << std::cos(2 * kPi * i / n) << ' ' << std::sin(2 * kPi * i / n) << " 0\n";
    obj << "v 3 0 0\nv 4 0 0\nv 3 1 0\nf";
    for (int i = 1; i <= n; ++i) obj << ' ' << i;
    obj << "\nf " << n + 1 << ' ' << n + 2 << ' ' << n + 3 << '\n';
    return obj.str();
}

TEST(ObjReader, PolygonsOfAnyCornerCountAreKeptWhole) {
    for (int n : {255, 256, 257, 300, 1000}) {
        const Mesh m = meshFromObjText(circleThenTriangle(n), ".", 1.0);
        ASSERT_EQ(m.numPolygons(), 2) << n;
        EXPECT_EQ(m.polySize(0), n);
        EXPECT_EQ(m.polySize(1), 3);  // nothing after the long polygon is lost
        EXPECT_EQ(m.corner(1, 2), n + 2);
    }
}

TEST(ObjReader, ConcaveRingIsEarClippedKeepingItsWinding) {
    // A "C": an outer arc of 32 corners and an inner one back, 64 corners,
    // wound counter-clockwise seen from +z. Its fan from corner 0 folds over.
    std::ostringstream obj;
    std::vector<Vec3> corners;
    for (int i = 0; i < 32; ++i)
        corners.push_back({2 * std::cos(0.3 + 5.6 * i / 31), 2 * std::sin(0.3 + 5.6 * i / 31), 0});
    for (int i = 31; i >= 0; --i)
        corners.push_back({std::cos(0.3 + 5.6 * i / 31), std::sin(0.3 + 5.6 * i / 31), 0});
    for (const Vec3 &c : corners) obj << "v " << c.x << ' ' << c.y << ' ' << c.z << '\n';
    obj << "usemtl Ring\nf";
    for (int i = 1; i <= 64; ++i) obj << ' ' << i;
    obj << '\n';
    EXPECT_FALSE(fanCoversPolygon(corners));

    const Mesh m = meshFromObjText(obj.str(), ".", 1.0);
    ASSERT_EQ(m.numPolygons(), 62);
    double area = 0;
    for (int p = 0; p < m.numPolygons(); ++p) {
        EXPECT_EQ(m.polySize(p), 3);
        const Vec3 n = polygonNormal(m, p);
        EXPECT_GE(n.z, -1e-9) << "triangle " << p << " turns against the polygon";
        area += n.z / 2;
    }
    // The triangles cover the ring once: their area is the ring's.
    const double ring = 0.5 * 5.6 * (4 - 1);
    EXPECT_NEAR(area, ring, 0.02 * ring);

    // A convex polygon keeps its fan, so that such meshes draw as before.
    EXPECT_TRUE(fanCoversPolygon({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}));
    const auto bent = earClipPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0.5}, {0, 1, 0}, {0.5, 0.5, 2}});
    EXPECT_EQ(bent.size(), 3u);
}

TEST(ObjReader, MaterialColoursAndNamesAsTheFilesGiveThem) {
    const auto dir = std::filesystem::temp_directory_path() / "qr_obj_reader_names";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "m.mtl") << "newmtl Brushed Steel\nKd 0.25 0.5 0.75\nnewmtl Caf\xe9\nKd 0.1\n";
    std::ofstream(dir / "m.obj") << "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                    "usemtl Brushed Steel \nf 1 2 3\nusemtl Caf\xe9\nf 1 2 3\n"
                                    "usemtl Ghost\nf 1 2 3\nusemtl Ghost\nf 1 2 3\n";
    const Mesh m = loadObjMesh((dir / "m.obj").string(), 1.0);
    EXPECT_EQ(m.surfaceNames, (std::vector<std::string>{"Brushed Steel", "Caf\xc3\xa9", "Ghost"}));
    EXPECT_EQ(m.surfaceColors.at("Brushed Steel"), (std::array<double, 3>{0.25, 0.5, 0.75}));
    EXPECT_EQ(m.surfaceColors.at("Caf\xc3\xa9"), (std::array<double, 3>{0.1, 0.1, 0.1}));
    ASSERT_EQ(m.notices.size(), 1u);  // the missing material, once
    EXPECT_NE(m.notices[0].find("\"Ghost\""), std::string::npos);

    // In a scene the file's colour is the surface's unless the scene says
    // otherwise, and a notice is said once however often the mesh is used.
    std::ofstream(dir / "s.json") << R"({"camera": {}, "objects": [
        {"name": "A", "mesh": "m.obj", "surfaces": {"Brushed Steel": {"color": [1, 0, 0]}}},
        {"name": "B", "mesh": "m.obj"}]})";
    const auto scene = loadScene((dir / "s.json").string());
    EXPECT_EQ(scene->objects[0]->surfaces[0]->color[0], 1.0);
    EXPECT_EQ(scene->objects[1]->surfaces[0]->color[1], 0.5);
    EXPECT_EQ(scene->objects[1]->surfaces[2]->color[0], 0.8);  // Ghost: the default
    EXPECT_EQ(scene->notices.size(), 1u);
    std::filesystem::remove_all(dir);
}

// Numbers in every form strtod reads come in as strtod reads them, indices
// with a sign, and faces that name points further down the file; normals
// from the file at every corner, or smoothed where it gives none.
TEST(ObjReader, NumbersIndicesAndNormalsInEveryFormTheFileMayUse) {
    const Mesh m = meshFromObjText(
        "f 1 2 3 4 5\n"
        "v +1 0x1p1 .5\nv 1. -0 1e-5\nv 0.1 3.4028234e38 -7E-3\n"
        "v 0 2 0\nv 0 1 0.5\n"
        "f +1 +2 +3\nvn 0 0 2\nf 1//1 2//1 -1//1\n",
        ".", 1.0);
    const char *const numbers[] = {"1", "2", ".5", "1.", "-0", "1e-5", "0.1", "3.4028234e38", "-7E-3"};
    for (size_t k = 0; k < 9; ++k)
        EXPECT_EQ(m.points[k / 3][k % 3], static_cast<float>(std::strtod(numbers[k], nullptr))) << numbers[k];
    EXPECT_TRUE(std::signbit(m.points[1][1]));
    ASSERT_EQ(m.numPolygons(), 3);
    EXPECT_EQ(m.polySize(0), 5);  // kept whole: its points were not read yet
    EXPECT_EQ(m.corner(1, 2), 2);
    EXPECT_EQ(m.corner(2, 2), 4);
    for (int c = m.polyStart[2]; c < m.polyStart[3]; ++c)
        EXPECT_EQ(m.cornerNormals[static_cast<size_t>(c)], (std::array<float, 3>{0, 0, 1}));
    const Mesh given = meshFromObjText("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 3 4\nf 1//1 2//1 3//1\n", ".", 1.0);
    EXPECT_EQ(given.cornerNormals, (std::vector<std::array<float, 3>>(3, {0, 0.6f, 0.8f})));
    for (const char *text : {"v 1e400 0 0\n", "v 1e-320 0 0\n", "v inf 0 0\n", "v 1e5x 0 0\n"})
        EXPECT_NE(errorOf(text).find("is not a finite number"), std::string::npos) << text;
}

TEST(ObjReader, FilesWithoutFacesAreRefusedNamingFileAndLine) {
    static const char kUtf16[] =
        "v\0 \0"
        "0\0 \0"
        "0\0 \0"
        "0\0\n\0";  // "v 0 0 0" in UTF-16LE
    const std::string utf16(kUtf16, sizeof kUtf16 - 1);
    const std::pair<std::string, std::string> cases[] = {
        {"", "m.obj: the mesh has no faces"},
        {"# nothing\nv 0 0 0\nv 1 0 0\n", "m.obj: the mesh has no faces"},
        {"v 0 0 0\nv 1 0 0\nl 1 2\np 1\n", "m.obj: the mesh has only points and lines, no faces to render"},
        {utf16, "m.obj:1: not OBJ text: the line holds binary data"},
        {"\n{\"objects\": []}\n", "m.obj:2: not OBJ text: the line begins with \"{\"objects\":\""},
        {"\xEF\xBB\xBFv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "(loaded)"},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(errorOf(text).substr(0, expected.size()), expected) << text;
}

}  // namespace
