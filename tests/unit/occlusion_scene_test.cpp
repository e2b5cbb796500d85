// The occlusion and light inputs at spots of a scene rendered by minihost:
// the ray casts and the light come from the renderer. The scene is a floor
// with two walls meeting it at the corner (0, 0, 0), a plane far away from
// them, and a light shining straight down.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "minihost/core/service_registry.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/lights.h"
#include "minihost/render/surface_shading.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"
#include "module_base/module_state.h"
#include "texlib/gradient_inputs.h"
#include "texlib/item_snapshot.h"
#include "texlib/texture_support_tables.h"
#include "texlib/vector.h"

namespace qr {
namespace {

using V = Vector;
V unit(V a) { return normalizedCopy(a, a); }
V cross(V a, V b) { return qr::cross(a, a, b); }

class OcclusionScene : public ::testing::Test {
protected:
    void SetUp() override {
        scene_ = minihost::loadSceneText(R"({
          "camera": {"position": [3, 3, -6], "target": [0, 0, 0]},
          "lights": [{"name": "Down", "type": "distant", "rotation": [0, 90, 0], "intensity": 0.9}],
          "objects": [
            {"name": "Floor", "primitive": {"type": "plane", "width": 20, "depth": 20}},
            {"name": "WallX", "primitive": {"type": "box", "size": [0.2, 6, 20]}, "position": [-0.1, 3, 0]},
            {"name": "WallZ", "primitive": {"type": "box", "size": [20, 6, 0.2]}, "position": [0, 3, -0.1]},
            {"name": "Far", "primitive": {"type": "plane", "width": 10, "depth": 10}, "position": [0, 0, 500]}]})",
                                         "corner.json");
        minihost::installCoreServices();
        minihost::installSceneServices(*scene_);
        std::string error;
        ASSERT_TRUE(frame_.prepare(*scene_, nullptr, 1, 0.0, error)) << error;
        resetTextureSupportForTests();
        moduleState().global = minihost::globalLookup();
        acquireSupportServices();
        savedItems_ = services().itemInfo;
        services().itemInfo = supportServices().itemInfo;
        record_ = {0.0, 1, createItemSnapshot()};
        refreshItemSnapshot(record_.snapshot, 0.0, 1);
        spot_.objID = scene_->objects[0]->id;
        spot_.rayCast = minihost::hostRayCast;
        spot_.illuminate = minihost::hostIlluminate;
    }
    void TearDown() override {
        destroyItemSnapshot(record_.snapshot);
        services().itemInfo = savedItems_;
        resetTextureSupportForTests();
        moduleState().global = nullptr;
        minihost::removeSceneServices();
    }
    double in(int number, V at, V normal, uint32_t item = 0) {
        const double p[3] = {at.x, at.y, at.z}, n[3] = {normal.x, normal.y, normal.z};
        std::copy(p, p + 3, spot_.wPos);
        std::copy(n, n + 3, spot_.wNorm);
        TxtrInputParam param{};
        param.itemID = item;
        minihost::ShadingScope scope(&frame_, 0, 0, 0);  // as while a sample is shaded
        return evaluateGradientInput(&param, number, spot_, &record_);
    }

    std::unique_ptr<minihost::Scene> scene_;
    minihost::FrameState frame_;
    ItemInfo *savedItems_ = nullptr;
    InputTimeRecord record_{};
    TexturedSpot spot_{};
};

TEST_F(OcclusionScene, OpenSpotsSeeNothingAndTheCornerWhatItsDirectionsPredict) {
    for (int n = 27; n <= 31; ++n) EXPECT_EQ(in(n, {0, 0, 500}, {0, 1, 0}), 0.0) << n;  // far from the walls
    EXPECT_EQ(in(29, {-0.1, 6, 5}, {0, 1, 0}), 0.0);                                    // a wall's top

    // The corner, with the Medium pair (8 rings, 24 sectors): directions of
    // the module's sequence from seed 1, each checked against the two walls.
    const double e = 0.001;
    textureSupportTables().occlusionSeed = 1;
    const double value = in(29, {e, 0, e}, {0, 1, 0});
    uint32_t seed = 1;
    auto next = [&seed] { return (seed = seed * 1566083941u + 1u) * 2.3283064365386963e-10; };
    const V n{0, 1, 0}, u = unit(cross(n, {1, 0, 0})), v = unit(cross(n, u));
    const int R = 8, K = 24;
    int blocked = 0;
    for (int ring = 0; ring < R; ++ring) {
        const double in = std::acos(1.0 - double(ring) / R), out = std::acos(1.0 - double(ring + 1) / R);
        for (int j = 0; j < K; ++j) {
            const double theta = out - next() * (out - in), phi = (next() + j) * 6.283185307179586 / K;
            const double c = std::cos(theta), s = std::sin(theta), cp = std::cos(phi), sp = std::sin(phi);
            const V d{c * n.x + s * (cp * u.x + sp * v.x), c * n.y + s * (cp * u.y + sp * v.y),
                      c * n.z + s * (cp * u.z + sp * v.z)};
            // A wall is met where the ray crosses its face plane within the
            // face (height 6, 10 to either side).
            const double tx = d.x < 0 ? e / -d.x : -1, tz = d.z < 0 ? e / -d.z : -1;
            const bool wallX = tx > 0 && tx * d.y <= 6 && std::fabs(e + tx * d.z) <= 10;
            const bool wallZ = tz > 0 && tz * d.y <= 6 && std::fabs(e + tz * d.x) <= 10;
            blocked += wallX || wallZ;
        }
    }
    EXPECT_GT(blocked, R * K / 3);  // about half: the walls fill two quarters
    EXPECT_EQ(value, double(blocked) / (R * K));
}

TEST_F(OcclusionScene, LightFromAboveLightsAnUpwardSpot) {
    // The host's illuminate gives the direction the light travels.
    const double p[3] = {5, 0, 5};
    double direction[3] = {0, 0, 0}, color[3] = {0, 0, 0};
    minihost::ShadingScope scope(&frame_, 0, 0, 0);
    ASSERT_TRUE(minihost::hostIlluminate(scene_->lights[0]->id, p, direction, color));
    EXPECT_NEAR(direction[1], -1, 1e-12);
    EXPECT_NEAR(color[0], 0.9, 1e-12);

    EXPECT_NEAR(in(24, {5, 0, 5}, {0, 1, 0}), 0.9, 1e-12);  // Gradient Diffuse
    EXPECT_EQ(in(24, {5, 0, 5}, {0, -1, 0}), 0.0);          // facing away
    EXPECT_NEAR(in(4, {5, 0, 5}, {0, 1, 0}, scene_->lights[0]->id), 1.5707963267948966, 1e-12);
}

}  // namespace
}  // namespace qr
