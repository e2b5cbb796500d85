// The surface bounding box over hostile scene data: polygons of negative or
// absurd size, surface tags that differ in case, unnamed surfaces, objects
// that do not list the surface, meshes without their operations, and
// missing services.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "module_base/module_state.h"
#include "texlib/shader_texture_support.h"
#include "texlib/texture_support_tables.h"

namespace qr {
namespace {

struct FakePolygon {
    const char *tag;
    int size;
    std::vector<int> points;  // indices into kPositions
};

const float kPositions[][3] = {{1, 2, 3}, {-1, 0, 5}, {0, -4, 0}, {1000, 1000, 1000}, {-7, -7, -7}};

struct Scene {
    std::vector<FakePolygon> polygons;
    const char *surfaceName = "Wood";
    bool meshOperations = true;  // false: a mesh without any operation
    bool listSurface = true;
    int meshesMade = 0, meshesReleased = 0;
    MeshInfo mesh{};
    SceneObjects objects{};
    SurfaceFuncs surfaces{};
};
Scene gScene;
int gSurface;  // the surface's handle
SurfaceID surface() { return reinterpret_cast<SurfaceID>(&gSurface); }

PolygonID polygonHandle(size_t i) { return reinterpret_cast<PolygonID>(&gScene.polygons[i]); }
const FakePolygon &polygonOf(PolygonID p) { return *reinterpret_cast<const FakePolygon *>(p); }

void *lookup(const char *name, int) {
    if (std::strcmp(name, SERVICE_SCENE_OBJECTS) == 0) return &gScene.objects;
    if (std::strcmp(name, SERVICE_SURFACE_FUNCS) == 0) return &gScene.surfaces;
    return nullptr;
}

void buildScene() {
    gScene.meshesMade = gScene.meshesReleased = 0;
    gScene.objects = {};
    gScene.objects.numObjects = [] { return 3; };
    // Object 0 has no file name; object 1 is ours; object 2 does not use the surface.
    gScene.objects.filename = [](int obj) -> const char * {
        return obj == 1 ? "crate.lwo" : obj == 2 ? "other.lwo" : nullptr;
    };
    gScene.objects.maxLayers = [](int) { return 3; };
    gScene.objects.layerExists = [](int, int layer) { return layer != 1 ? 1 : 0; };
    gScene.objects.layerMesh = [](int, int layer) -> MeshInfo * {
        if (layer == 2) return nullptr;  // exists, but gives no mesh
        ++gScene.meshesMade;
        return &gScene.mesh;
    };
    gScene.mesh = {};
    if (gScene.meshOperations) {
        gScene.mesh.destroy = [](MeshInfo *) { ++gScene.meshesReleased; };
        gScene.mesh.scanPolys = [](MeshInfo *m, PolygonScanFunc *f, void *data) {
            for (size_t i = 0; i < gScene.polygons.size(); ++i)
                if (int r = f(data, polygonHandle(i))) return r;
            (void)m;
            return 0;
        };
        gScene.mesh.polTag = [](MeshInfo *, PolygonID p, uint32_t type) -> const char * {
            return type == HOST_FOURCC('S', 'U', 'R', 'F') ? polygonOf(p).tag : nullptr;
        };
        gScene.mesh.polSize = [](MeshInfo *, PolygonID p) { return polygonOf(p).size; };
        gScene.mesh.polVertex = [](MeshInfo *, PolygonID p, int v) -> PointID {
            const auto &pts = polygonOf(p).points;
            if (v < 0 || static_cast<size_t>(v) >= pts.size()) return nullptr;
            return reinterpret_cast<PointID>(static_cast<uintptr_t>(pts[v] + 1));
        };
        gScene.mesh.pntBasePos = [](MeshInfo *, PointID pt, float pos[3]) {
            if (!pt) return;
            const auto i = reinterpret_cast<uintptr_t>(pt) - 1;
            for (int k = 0; k < 3; ++k) pos[k] = kPositions[i][k];
        };
    }
    gScene.surfaces = {};
    gScene.surfaces.byObject = [](const char *file) -> const SurfaceID * {
        static SurfaceID ours[] = {surface(), nullptr};
        static SurfaceID none[] = {nullptr};
        if (std::strcmp(file, "crate.lwo") == 0) return gScene.listSurface ? ours : none;
        return none;
    };
    gScene.surfaces.name = [](SurfaceID) { return gScene.surfaceName; };
}

class SurfaceBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        gScene.polygons.clear();
        gScene.surfaceName = "Wood";
        gScene.meshOperations = true;
        gScene.listSurface = true;
        resetTextureSupportForTests();
        moduleState().global = lookup;
    }
    void TearDown() override {
        resetTextureSupportForTests();
        moduleState().global = nullptr;
    }
    static void expectBox(const double box[6], const double expected[6]) {
        for (int i = 0; i < 6; ++i) EXPECT_EQ(box[i], expected[i]) << i;
    }
};

const double kDefault[6] = {-0.5, 0.5, -0.5, 0.5, -0.5, 0.5};

TEST_F(SurfaceBoxTest, OnlyWellFormedPolygonsOfTheSurfaceCount) {
    gScene.polygons = {
        {"Wood", 3, {0, 1, 2}}, {"wood", 1, {3}},  // case differs: not ours
        {"Wood", -5, {4}},                         // negative size
        {"Wood", INT_MAX, {4}},                    // absurd size
        {nullptr, 1, {4}},                         // untagged: only for an unnamed surface
        {"Wood", 0, {}},
    };
    buildScene();
    double box[6];
    ASSERT_TRUE(surfaceBoundingBox(surface(), box));
    const double expected[6] = {-1, 1, -4, 2, 0, 5};
    expectBox(box, expected);
    // Layers 0 and 2 exist, 2 gives no mesh: one mesh made and released.
    EXPECT_EQ(gScene.meshesMade, 1);
    EXPECT_EQ(gScene.meshesReleased, 1);

    // An unnamed surface takes the untagged polygons.
    gScene.surfaceName = nullptr;
    ASSERT_TRUE(surfaceBoundingBox(surface(), box));
    const double untagged[6] = {-7, -7, -7, -7, -7, -7};
    expectBox(box, untagged);

    // The object does not list the surface: the default box.
    gScene.listSurface = false;
    EXPECT_FALSE(surfaceBoundingBox(surface(), box));
    expectBox(box, kDefault);
}

TEST_F(SurfaceBoxTest, BrokenMeshesAndMissingServicesGiveTheDefaultBox) {
    gScene.polygons = {{"Wood", 3, {0, 1, 2}}};
    gScene.meshOperations = false;
    buildScene();
    double box[6];
    EXPECT_FALSE(surfaceBoundingBox(surface(), box));
    expectBox(box, kDefault);

    // Scene-object service without its operations.
    gScene.meshOperations = true;
    buildScene();
    gScene.objects = SceneObjects{};
    EXPECT_FALSE(surfaceBoundingBox(surface(), box));
    expectBox(box, kDefault);

    // No services at all.
    resetTextureSupportForTests();
    moduleState().global = [](const char *, int) -> void * { return nullptr; };
    EXPECT_FALSE(surfaceBoundingBox(surface(), box));
    expectBox(box, kDefault);
}

TEST_F(SurfaceBoxTest, PolygonNormalRefusesDamagedPolygons) {
    gScene.polygons = {{"Wood", -1, {0, 1, 2}}, {"Wood", INT_MAX, {0, 1, 2}}, {"Wood", 3, {0, 1, 2}}};
    buildScene();
    Vector n{7, 7, 7};
    EXPECT_FALSE(polygonNormal(&gScene.mesh, polygonHandle(0), n));
    EXPECT_FALSE(polygonNormal(&gScene.mesh, polygonHandle(1), n));
    EXPECT_TRUE(polygonNormal(&gScene.mesh, polygonHandle(2), n));
    MeshInfo bare{};
    EXPECT_FALSE(polygonNormal(&bare, polygonHandle(2), n));
}

}  // namespace
}  // namespace qr
