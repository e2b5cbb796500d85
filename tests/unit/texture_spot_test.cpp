// The shader's texture support: the spot built from a shaded sample, the
// dominant axes, polygon normals, and the bounding box of a surface over a
// real scene's meshes.
#include <gtest/gtest.h>

#include <cmath>

#include "minihost/core/service_registry.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"
#include "module_base/module_state.h"
#include "texlib/shader_texture_support.h"
#include "texlib/texture_support_tables.h"

namespace qr {
namespace {

// A mesh of one polygon whose vertex count the test sets; points are
// (0,0,0), (1,0,0), (0,1,0), ... by index.
struct FakeMesh {
    MeshInfo info{};
    int size = 3;
    bool destroyed = false;
};
FakeMesh gMesh;
const float kPoints[4][3] = {{0, 0, 0}, {0, 0, 2}, {0, 3, 0}, {0, 3, 2}};

MeshInfo *fakeMeshInfo(ItemID, int) {
    gMesh.destroyed = false;
    gMesh.info.destroy = [](MeshInfo *) { gMesh.destroyed = true; };
    gMesh.info.polSize = [](MeshInfo *, PolygonID) { return gMesh.size; };
    gMesh.info.polVertex = [](MeshInfo *, PolygonID, int v) {
        return reinterpret_cast<PointID>(static_cast<uintptr_t>(v + 1));
    };
    gMesh.info.pntBasePos = [](MeshInfo *, PointID p, float pos[3]) {
        const auto i = (reinterpret_cast<uintptr_t>(p) - 1) % 4;
        for (int k = 0; k < 3; ++k) pos[k] = kPoints[i][k];
    };
    return &gMesh.info;
}
ObjectInfo gObjects{};
VParmFuncs gVparm{};  // only its spot initialisation, and only when offered
bool gOfferVparm = false;

void *fakeLookup(const char *name, int) {
    if (std::string(name) == SERVICE_OBJECT_INFO) return &gObjects;
    if (gOfferVparm && std::string(name) == SERVICE_VPARM_FUNCS) return &gVparm;
    return nullptr;
}

class TextureSpotTest : public ::testing::Test {
protected:
    void SetUp() override {
        gObjects.meshInfo = fakeMeshInfo;
        gOfferVparm = false;
        gVparm.initSpot = [](TexturedSpot *spot) {
            spot->txVal = 5.0;
            spot->oPos[0] = 99.0;
            spot->context = 9;
        };
        resetTextureSupportForTests();
        moduleState().global = fakeLookup;
    }
    void TearDown() override {
        resetTextureSupportForTests();
        moduleState().global = nullptr;
    }
    static ShaderAccess sample() {
        ShaderAccess sa{};
        for (int k = 0; k < 3; ++k) {
            sa.oPos[k] = 1 + k;
            sa.wPos[k] = 10 + k;
            sa.raySource[k] = 4 - k;
            sa.wNorm[k] = 0.5 * k;
        }
        sa.gNorm[0] = 0.6;
        sa.gNorm[2] = 0.8;
        sa.bumpHeight = 0.125;
        sa.spotSize = 0.01;
        sa.rayLength = 12.5;
        sa.cosine = 0.75;
        for (int i = 0; i < 9; ++i) sa.oXfrm[i] = sa.wXfrm[i] = (i % 4 == 0) ? 1.0 : 0.0;
        sa.objID = 0x1000001;
        sa.polNum = 7;
        sa.verts[2] = reinterpret_cast<PointID>(uintptr_t{3});
        sa.weights[2] = 0.25f;
        sa.vertsWPos[2][1] = 4.5f;
        for (int i = 0; i < 9; ++i) sa.oXfrm[i] += 0.5 * i;
        sa.illuminate = [](ItemID, const double *, double *, double *) { return 1; };
        sa.rayTrace = [](const double *, const double *, double *) { return 2.0; };
        sa.rayCast = [](const double *, const double *) { return 1.0; };
        sa.rayShade = [](const double *, const double *, ShaderAccess *) { return 3.0; };
        return sa;
    }
};

TEST_F(TextureSpotTest, EveryFieldComesFromTheSampleAndTheRayIsNotNormalised) {
    const ShaderAccess sa = sample();
    TexturedSpot spot{};
    spot.txVal = 3.0;  // a field the builder leaves alone (no spot initialisation here)
    int surface = 0;
    buildTextureSpot(&spot, &sa, reinterpret_cast<SurfaceID>(&surface));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(spot.oPos[k], sa.oPos[k]);
        EXPECT_EQ(spot.wPos[k], sa.wPos[k]);
        EXPECT_EQ(spot.oScl[k], 1.0);
        EXPECT_EQ(spot.gNorm[k], sa.gNorm[k]);
        EXPECT_EQ(spot.wNorm[k], sa.wNorm[k]);
        EXPECT_EQ(spot.raySource[k], sa.raySource[k]);
    }
    EXPECT_EQ(spot.ray[0], 6.0);
    EXPECT_EQ(spot.ray[1], 8.0);
    EXPECT_EQ(spot.ray[2], 10.0);
    EXPECT_EQ(spot.bumpHeight, 0.125);
    EXPECT_EQ(spot.spotSize, 0.01);
    EXPECT_EQ(spot.rayLength, 12.5);
    EXPECT_EQ(spot.cosine, 0.75);
    EXPECT_EQ(spot.objID, sa.objID);
    EXPECT_EQ(spot.surfID, reinterpret_cast<SurfaceID>(&surface));
    EXPECT_EQ(spot.verts[2], sa.verts[2]);
    EXPECT_EQ(spot.weights[2], 0.25f);
    EXPECT_EQ(spot.vertsWPos[2][1], 4.5f);
    EXPECT_EQ(spot.polNum, 7);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(spot.oXfrm[i], sa.oXfrm[i]);
        EXPECT_EQ(spot.wXfrm[i], sa.wXfrm[i]);
    }
    EXPECT_EQ(spot.polygon, sa.polygon);
    EXPECT_EQ(spot.rayCast, sa.rayCast);
    EXPECT_EQ(spot.illuminate, sa.illuminate);
    EXPECT_EQ(spot.rayTrace, sa.rayTrace);
    EXPECT_EQ(spot.rayShade, sa.rayShade);
    EXPECT_EQ(spot.context, 0);
    EXPECT_EQ(spot.txFlags, 0);
    EXPECT_EQ(spot.txVal, 3.0);
    // Geometric normal (0.6, 0, 0.8): world axis Z.
    EXPECT_EQ(spot.wAxis, 2);
    // No polygon: the object axis comes from the world transform (identity).
    EXPECT_EQ(spot.oAxis, 2);

    // With the variant-parameter service the spot is initialised first: the
    // fields the builder does not set keep the initialised values.
    resetTextureSupportForTests();
    gOfferVparm = true;
    ShaderAccess withPolygon = sa;
    withPolygon.polygon = reinterpret_cast<PolygonID>(uintptr_t{1});
    TexturedSpot initialised{};
    buildTextureSpot(&initialised, &withPolygon, nullptr);
    EXPECT_EQ(initialised.polygon, withPolygon.polygon);
    EXPECT_EQ(initialised.txVal, 5.0);
    EXPECT_EQ(initialised.oPos[0], withPolygon.oPos[0]);
    EXPECT_EQ(initialised.context, 0);
}

TEST_F(TextureSpotTest, ObjectAxisFromThePolygonUnlessItIsDegenerate) {
    ShaderAccess sa = sample();
    sa.polygon = reinterpret_cast<PolygonID>(uintptr_t{1});
    // The polygon (0,0,0), (0,0,2), last (0,3,0): normal along -x... its
    // dominant axis is X, unlike the geometric normal's Z.
    gMesh.size = 3;
    TexturedSpot spot{};
    buildTextureSpot(&spot, &sa, nullptr);
    EXPECT_EQ(spot.oAxis, 0);
    EXPECT_TRUE(gMesh.destroyed);

    // Fewer than three vertices: back to the world transform, here one whose
    // first column is the world Y axis, so Z maps to column 2... use a
    // transform that swaps X and Z.
    gMesh.size = 2;
    const double swapXZ[9] = {0, 0, 1, 0, 1, 0, 1, 0, 0};
    for (int i = 0; i < 9; ++i) sa.wXfrm[i] = swapXZ[i];
    buildTextureSpot(&spot, &sa, nullptr);
    EXPECT_EQ(spot.oAxis, 0);  // g = (0.6, 0, 0.8) against columns (0,0,1), (0,1,0), (1,0,0)
    EXPECT_EQ(spot.wAxis, 2);

    Vector n{};
    EXPECT_FALSE(polygonNormal(&gMesh.info, nullptr, n));
    EXPECT_FALSE(polygonNormal(nullptr, sa.polygon, n));
    gMesh.size = 4;
    ASSERT_TRUE(polygonNormal(&gMesh.info, sa.polygon, n));
    // A = (0,0,0), B = (0,0,2), last C = (0,3,2): a = (0,0,1), b = (0,3,2)/sqrt(13).
    EXPECT_DOUBLE_EQ(n.x, -3.0 / std::sqrt(13.0));
    EXPECT_DOUBLE_EQ(n.y, 0.0);
    EXPECT_DOUBLE_EQ(n.z, 0.0);

    buildTextureSpot(nullptr, &sa, nullptr);
    buildTextureSpot(&spot, nullptr, nullptr);
}

TEST(DominantAxis, TiesGoToTheLowerIndex) {
    const Vector x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    EXPECT_EQ(dominantAxis({1, 1, 1}, x, y, z), 0);
    EXPECT_EQ(dominantAxis({0, 1, 1}, x, y, z), 1);
    EXPECT_EQ(dominantAxis({0, -2, 1}, x, y, z), 1);
    EXPECT_EQ(dominantAxis({0.1, 0.2, -0.3}, x, y, z), 2);
    EXPECT_EQ(dominantAxis({0, 0, 0}, x, y, z), 0);
}

TEST(SurfaceBoundingBox, CoversTheSurfacesPolygonsAndDefaultsForAnUnusedSurface) {
    minihost::installCoreServices();
    auto scene = minihost::loadSceneText(R"({
      "camera": {"position": [0, 0, -5], "target": [0, 0, 0]},
      "objects": [
        {"name": "Crate", "primitive": {"type": "box", "size": [2, 4, 6], "surface": "Wood"},
         "position": [10, 0, 0]},
        {"name": "Ball", "primitive": {"type": "sphere", "radius": 1, "surface": "Paint"}}
      ]})",
                                         "bbox.json");
    minihost::installSceneServices(*scene);
    resetTextureSupportForTests();
    moduleState().global = minihost::globalLookup();

    double box[6];
    const SurfaceID wood = minihost::surfaceHandle(scene->objects[0]->surfaces[0].get());
    ASSERT_TRUE(surfaceBoundingBox(wood, box));
    // Base positions: the object's own space, before its placement.
    const double expected[6] = {-1, 1, -2, 2, -3, 3};
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(box[i], expected[i]) << i;

    minihost::SceneSurface unused;
    unused.name = "Nowhere";
    EXPECT_FALSE(surfaceBoundingBox(minihost::surfaceHandle(&unused), box));
    const double fallback[6] = {-0.5, 0.5, -0.5, 0.5, -0.5, 0.5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(box[i], fallback[i]);
    EXPECT_FALSE(surfaceBoundingBox(nullptr, box));
    EXPECT_FALSE(surfaceBoundingBox(wood, nullptr));

    // The shader's envelope group lives under the surface's channel group.
    EXPECT_NE(createShaderEnvelopeGroup("QM_Quillrim_S:Shader", wood), nullptr);
    EXPECT_NE(createShaderEnvelopeGroup("QM_Quillrim_S:Shader", nullptr), nullptr);
    prepareLightImages();
    prepareSurfaceImages(wood);

    resetTextureSupportForTests();
    moduleState().global = nullptr;
    minihost::removeSceneServices();
}

}  // namespace
}  // namespace qr
