// The scene's meshes in world space at one time, in an Embree scene.
// Polygons are split into fans of triangles; each triangle remembers its
// polygon and the three corners it uses.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "minihost/scene/scene.h"
#include "minihost/scene/vec_math.h"

namespace minihost {

// Geometry and cameras farther from the origin than this, on any axis, are
// refused: single-precision vertices there are a unit or more apart, too
// coarse to shade.
inline constexpr double kMaxWorldCoordinate = 1e7;
// Rays whose origin or direction exceed this on any axis are never handed to
// the intersector, which requires its inputs well inside the float range.
inline constexpr double kMaxRayCoordinate = 1e18;

struct RayHit {
    double distance = -1;
    int object = -1;      // index into Scene::objects
    int triangle = -1;    // index into that object's triangles
    double u = 0, v = 0;  // barycentric weights of corners 1 and 2
};

struct Triangle {
    int polygon;
    int corner[3];  // indices into Mesh::polyVerts / cornerNormals
};

class EmbreeScene {
public:
    EmbreeScene();
    ~EmbreeScene();
    EmbreeScene(const EmbreeScene &) = delete;
    EmbreeScene &operator=(const EmbreeScene &) = delete;

    // (Re)builds for the scene at `time`. False with `error` set on failure,
    // among them an object beyond kMaxWorldCoordinate.
    bool build(const Scene &scene, double time, std::string &error);

    // Nearest hit along a unit direction in (tnear, tfar); safe from any thread.
    bool intersect(Vec3 origin, Vec3 direction, double tnear, double tfar, RayHit &hit) const;
    bool occluded(Vec3 origin, Vec3 direction, double tnear, double tfar) const;

    const std::vector<Triangle> &triangles(int object) const {
        return objects_[static_cast<size_t>(object)].triangles;
    }
    const Affine &objectToWorld(int object) const { return objects_[static_cast<size_t>(object)].toWorld; }
    const Mat3 &normalToWorld(int object) const { return objects_[static_cast<size_t>(object)].normalMatrix; }
    // The rotation part of objectToWorld (its columns made unit) and its
    // transpose, as the shader access record carries them.
    const Mat3 &rotationToWorld(int object) const { return objects_[static_cast<size_t>(object)].rotation; }
    const Mat3 &rotationToObject(int object) const {
        return objects_[static_cast<size_t>(object)].rotationInverse;
    }
    // The unit normal of a triangle's world corners, in corner order.
    const Vec3 &geometricNormal(int object, int triangle) const {
        return objects_[static_cast<size_t>(object)].normals[static_cast<size_t>(triangle)];
    }
    Vec3 worldPoint(int object, int point) const {
        return load(objects_[static_cast<size_t>(object)].worldPoints[static_cast<size_t>(point)].data());
    }

private:
    struct ObjectData {
        std::vector<Triangle> triangles;
        std::vector<std::array<float, 3>> worldPoints;
        std::vector<Vec3> normals;  // per triangle
        Affine toWorld;
        Mat3 normalMatrix;  // inverse transpose of the linear part
        Mat3 rotation, rotationInverse;
    };
    // The Embree scene (an RTCScene), untyped here so that Embree's header
    // stays in embree_scene.cpp and out of the programs that use this one.
    void *scene_ = nullptr;
    std::vector<ObjectData> objects_;
    std::vector<int> objectOfGeometry_;
};

}  // namespace minihost
