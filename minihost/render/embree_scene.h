// The scene's meshes placed at one time, in an Embree scene. Polygons are
// split into fans of triangles; each triangle remembers its polygon and the
// three corners it uses.
#pragma once

#include <array>
#include <memory>
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

// The unit normal of a triangle from its three world corners, in corner order.
inline Vec3 triangleNormal(const Vec3 (&corners)[3]) {
    return normalized(cross(corners[1] - corners[0], corners[2] - corners[0]));
}

class EmbreeScene {
public:
    EmbreeScene();
    ~EmbreeScene();
    EmbreeScene(const EmbreeScene &) = delete;
    EmbreeScene &operator=(const EmbreeScene &) = delete;

    // (Re)builds for the scene at `time`. False with `error` set on failure,
    // among them an object beyond kMaxWorldCoordinate. A mesh that one object
    // uses is placed in world space; a mesh that several objects share is
    // built once in its own space and placed by an instance for each object
    // (see instanced()).
    bool build(const Scene &scene, double time, std::string &error);

    // Nearest hit along a unit direction in (tnear, tfar); safe from any thread.
    bool intersect(Vec3 origin, Vec3 direction, double tnear, double tfar, RayHit &hit) const;
    bool occluded(Vec3 origin, Vec3 direction, double tnear, double tfar) const;

    const std::vector<Triangle> &triangles(int object) const { return *objects_[index(object)].triangles; }
    const Affine &objectToWorld(int object) const { return objects_[index(object)].toWorld; }
    const Mat3 &normalToWorld(int object) const { return objects_[index(object)].normalMatrix; }
    // The rotation part of objectToWorld (its columns made unit) and its
    // transpose, as the shader access record carries them.
    const Mat3 &rotationToWorld(int object) const { return objects_[index(object)].rotation; }
    const Mat3 &rotationToObject(int object) const { return objects_[index(object)].rotationInverse; }
    // The unit normal of a triangle's world corners, in corner order
    // (triangleNormal of its worldPoints).
    Vec3 geometricNormal(int object, int triangle) const;
    // A mesh point in world space, rounded to float as a world-space mesh
    // holds it; the same numbers whether the object is instanced or not.
    Vec3 worldPoint(int object, int point) const;
    // Whether the object is placed by an instance of a shared mesh: its rays
    // meet the mesh in the mesh's own space, so hit distances and weights
    // may differ from a world-space copy in the last float bits.
    bool instanced(int object) const { return objects_[index(object)].instanced; }

private:
    struct MeshGeometry;
    struct ObjectData {
        const Mesh *mesh = nullptr;
        const std::vector<Triangle> *triangles = nullptr;  // the mesh's, shared by its objects
        const float *worldPoints = nullptr;  // the ray tracer's vertex buffer, when in world space
        bool instanced = false;
        Affine toWorld;
        Mat3 normalMatrix;  // inverse transpose of the linear part
        Mat3 rotation, rotationInverse;
    };
    static size_t index(int object) { return static_cast<size_t>(object); }
    void release();
    bool placeInWorld(const SceneObject &obj, MeshGeometry &geometry, ObjectData &data, std::string &error);
    bool placeInstance(const SceneObject &obj, MeshGeometry &geometry, ObjectData &data, std::string &error);
    void attach(void *geometry, int object);

    // The Embree scene (an RTCScene), untyped here so that Embree's header
    // stays in embree_scene.cpp and out of the programs that use this one.
    void *scene_ = nullptr;
    std::vector<std::unique_ptr<MeshGeometry>> meshes_;  // one per distinct mesh
    std::vector<ObjectData> objects_;
    std::vector<int> objectOfGeometry_;
};

}  // namespace minihost
