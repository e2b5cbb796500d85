// Objects that use the same mesh share it: it is read or made once, and the
// ray tracer places it by instances that must answer as separate copies do.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "minihost/render/embree_scene.h"
#include "minihost/scene/scene_loader.h"

namespace {

using namespace minihost;

// Four spheres, one moved, one turned and stretched; `surface` names the
// surface of each ("" gives each its own, so that no two share a mesh).
std::unique_ptr<Scene> fourBalls(const std::string &surface, const std::string &last = "[9, 0, 0]") {
    std::string objects;
    const char *placements[] = {R"("position": [0, 0, 0])", R"("position": [3, 0, 0])",
                                R"("position": [6, 0, 0], "rotation": [30, 50, 10], "scale": [1.5, 0.5, 1])",
                                "\"position\": "};
    for (int i = 0; i < 4; ++i) {
        const std::string name = "Ball" + std::to_string(i);
        objects += (i ? "," : "") + std::string(R"({"name": ")") + name +
                   R"(", "primitive": {"type": "sphere", "surface": ")" + (surface.empty() ? name : surface) +
                   "\"}, " + placements[i] + (i == 3 ? last : "") + "}";
    }
    return loadSceneText(R"({"camera": {"position": [4, 0, -10]}, "objects": [)" + objects + "]}",
                         "balls.json");
}

TEST(SharedMesh, InstancesHitAsSeparateCopies) {
    const auto shared = fourBalls("Skin"), separate = fourBalls("");
    for (int o = 1; o < 4; ++o) {
        EXPECT_EQ(shared->objects[0]->mesh, shared->objects[o]->mesh);  // made once
        EXPECT_NE(separate->objects[0]->mesh, separate->objects[o]->mesh);
        EXPECT_EQ(separate->objects[0]->mesh->points, separate->objects[o]->mesh->points);
        EXPECT_EQ(separate->objects[0]->mesh->cornerNormals, separate->objects[o]->mesh->cornerNormals);
    }
    EmbreeScene a, b;
    std::string error;
    ASSERT_TRUE(a.build(*shared, 0, error)) << error;
    ASSERT_TRUE(b.build(*separate, 0, error)) << error;
    int hits = 0, sameTriangle = 0;
    for (int o = 0; o < 4; ++o) {
        EXPECT_TRUE(a.instanced(o));
        EXPECT_FALSE(b.instanced(o));
        for (int i = 0; i < 15; ++i)
            for (int j = 0; j < 15; ++j) {
                // Rays from in front of each ball, through points across it.
                const Vec3 at{3.0 * o + 0.13 * (i - 7) + 0.01, 0.13 * (j - 7) + 0.02, 0};
                const Vec3 from{at.x, at.y, -10};
                RayHit x, y;
                const bool hx = a.intersect(from, {0, 0, 1}, 0, 1e30, x);
                ASSERT_EQ(hx, b.intersect(from, {0, 0, 1}, 0, 1e30, y)) << o << " " << i << " " << j;
                if (!hx) continue;
                ++hits;
                ASSERT_EQ(x.object, o);
                ASSERT_EQ(y.object, o);
                EXPECT_NEAR(x.distance, y.distance, 1e-5);
                const Triangle &tx = a.triangles(o)[static_cast<size_t>(x.triangle)];
                const Triangle &ty = b.triangles(o)[static_cast<size_t>(y.triangle)];
                if (x.triangle != y.triangle) continue;  // a ray along an edge may take either side
                ++sameTriangle;
                EXPECT_EQ(tx.polygon, ty.polygon);
                EXPECT_NEAR(x.u, y.u, 1e-4);
                EXPECT_NEAR(x.v, y.v, 1e-4);
                // What a hit reads of the object is the same numbers either way.
                const Vec3 ga = a.geometricNormal(o, x.triangle), gb = b.geometricNormal(o, y.triangle);
                EXPECT_EQ(ga.x, gb.x);
                EXPECT_EQ(ga.y, gb.y);
                EXPECT_EQ(ga.z, gb.z);
                const int point = shared->objects[0]->mesh->polyVerts[static_cast<size_t>(tx.corner[2])];
                const Vec3 pa = a.worldPoint(o, point), pb = b.worldPoint(o, point);
                EXPECT_EQ(pa.x, pb.x);
                EXPECT_EQ(pa.y, pb.y);
                EXPECT_EQ(pa.z, pb.z);
            }
    }
    EXPECT_GT(hits, 400);
    EXPECT_GE(sameTriangle, hits - 4);
    // Shadow rays see instances too.
    EXPECT_TRUE(a.occluded({6, 0, -10}, {0, 0, 1}, 0, 20));
    EXPECT_FALSE(a.occluded({7.6, 0, -10}, {0, 0, 1}, 0, 20));
}

TEST(SharedMesh, FlatAndFarObjectsOfASharedMesh) {
    EmbreeScene geometry;
    std::string error;
    // Flattened to a disc: an instance could not take rays into its space,
    // so the object stays a world-space copy, and a ray from above meets it.
    const auto flat = fourBalls("Skin", R"([9, 0, 0], "scale": [1, 0, 1])");
    ASSERT_TRUE(geometry.build(*flat, 0, error)) << error;
    EXPECT_FALSE(geometry.instanced(3));
    EXPECT_TRUE(geometry.instanced(0));
    RayHit hit;
    ASSERT_TRUE(geometry.intersect({9.2, 5, 0.1}, {0, -1, 0}, 0, 1e30, hit));
    EXPECT_EQ(hit.object, 3);
    EXPECT_NEAR(hit.distance, 5, 1e-6);
    // Beyond the precision limit an instance is refused as a copy is.
    for (const char *second : {"Skin", "Other"}) {
        const auto far = loadSceneText(std::string(R"({"camera": {"position": [0, 0, -10]}, "objects": [
            {"name": "A", "primitive": {"type": "sphere", "radius": 2e7, "surface": "Skin"}},
            {"name": "B", "primitive": {"type": "sphere", "radius": 2e7, "surface": ")") +
                                           second + R"("}}]})",
                                       "far.json");
        EXPECT_FALSE(geometry.build(*far, 0, error));
        EXPECT_EQ(error,
                  "object \"A\" lies too far from the origin for the renderer's precision (2e+07 beyond "
                  "the limit of 1e+07)");
    }
}

TEST(SharedMesh, AMeshFileIsReadOnceAndWeightMapsStayTheObjectsOwn) {
    const auto scene = loadSceneText(R"({"camera": {"position": [0, 0, -5]}, "objects": [
        {"name": "A", "mesh": "meshes/pawn.obj"},
        {"name": "B", "mesh": "meshes/pawn.obj", "position": [2, 0, 0]},
        {"name": "C", "mesh": "meshes/pawn.obj", "smoothing_angle": 30},
        {"name": "D", "mesh": "meshes/pawn.obj", "weight_maps": [{"name": "Up"}]}]})",
                                     std::string(QR_SOURCE_DIR) + "/examples/shared.json");
    const auto &o = scene->objects;
    EXPECT_EQ(o[0]->mesh, o[1]->mesh);
    EXPECT_NE(o[0]->mesh, o[2]->mesh);  // smoothed otherwise
    EXPECT_NE(o[0]->mesh, o[3]->mesh);
    EXPECT_TRUE(o[0]->mesh->weightMaps.empty());
    ASSERT_EQ(o[3]->mesh->weightMaps.size(), 1u);
    EXPECT_EQ(o[3]->mesh->points, o[0]->mesh->points);
}

}  // namespace
