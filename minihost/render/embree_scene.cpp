#include "minihost/render/embree_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <unordered_map>

#include <embree3/rtcore.h>

namespace minihost {

namespace {

Mat3 rotationOf(const Mat3 &linear) {
    Mat3 r;
    for (int c = 0; c < 3; ++c) {
        const Vec3 col = normalized(linear.column(c));
        r(0, c) = col.x;
        r(1, c) = col.y;
        r(2, c) = col.z;
    }
    return r;
}

std::string tooFar(double distance) {
    char text[96];
    std::snprintf(text, sizeof text, "%.3g beyond the limit of %.0e", distance, kMaxWorldCoordinate);
    return text;
}

RTCScene rtc(void *scene) { return static_cast<RTCScene>(scene); }

// One device for the process; Embree devices are thread-safe.
RTCDevice device() {
    static RTCDevice dev = [] {
        RTCDevice d = rtcNewDevice("threads=1,set_affinity=0");
        return d;
    }();
    return dev;
}

}  // namespace

// A mesh as the ray tracer takes it, made once per build for all the objects
// that use it: its triangles, their corner points, and for a mesh several
// objects share, a scene of it in its own space that instances place.
struct EmbreeScene::MeshGeometry {
    const Mesh *mesh = nullptr;
    int users = 0;
    std::vector<Triangle> triangles;
    std::vector<unsigned> cornerPoints;  // three per triangle
    Vec3 low, high;                      // bounds of the points
    RTCScene child = nullptr;            // made on the first instance

    explicit MeshGeometry(const Mesh &m) : mesh(&m) {
        size_t count = 0;
        for (int p = 0; p < m.numPolygons(); ++p)
            count += static_cast<size_t>(std::max(m.polySize(p) - 2, 0));
        triangles.reserve(count);
        cornerPoints.reserve(3 * count);
        for (int p = 0; p < m.numPolygons(); ++p) {
            const int first = m.polyStart[static_cast<size_t>(p)];
            for (int k = 1; k + 1 < m.polySize(p); ++k) {
                const Triangle t{p, {first, first + k, first + k + 1}};
                triangles.push_back(t);
                for (int c : t.corner)
                    cornerPoints.push_back(static_cast<unsigned>(m.polyVerts[static_cast<size_t>(c)]));
            }
        }
        if (m.points.empty()) return;
        low = high = m.point(0);
        for (const auto &q : m.points) {
            low = {std::min<double>(low.x, q[0]), std::min<double>(low.y, q[1]),
                   std::min<double>(low.z, q[2])};
            high = {std::max<double>(high.x, q[0]), std::max<double>(high.y, q[1]),
                    std::max<double>(high.z, q[2])};
        }
    }
    ~MeshGeometry() {
        if (child) rtcReleaseScene(child);
    }
    MeshGeometry(const MeshGeometry &) = delete;
    MeshGeometry &operator=(const MeshGeometry &) = delete;
    bool drawable() const { return !triangles.empty() && !mesh->points.empty(); }
};

namespace {

RTCScene newScene(RTCDevice dev) {
    RTCScene scene = rtcNewScene(dev);
    rtcSetSceneBuildQuality(scene, RTC_BUILD_QUALITY_MEDIUM);
    // Watertight: a ray through a shared edge or corner still hits.
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    return scene;
}

// A triangle geometry over `points` (filled by the caller through the
// returned buffer) and the mesh's corner points, which it reads in place.
RTCGeometry newTriangles(RTCDevice dev, size_t points, const std::vector<unsigned> &corners, float *&verts) {
    RTCGeometry geom = rtcNewGeometry(dev, RTC_GEOMETRY_TYPE_TRIANGLE);
    verts = static_cast<float *>(rtcSetNewGeometryBuffer(geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                         3 * sizeof(float), points));
    rtcSetSharedGeometryBuffer(geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, corners.data(), 0,
                               3 * sizeof(unsigned), corners.size() / 3);
    return geom;
}

double largestCoordinate(Vec3 w) { return std::max({std::fabs(w.x), std::fabs(w.y), std::fabs(w.z)}); }

// How far from the origin the object's points lie, at most, in world space.
double worldExtent(const Mesh &mesh, const Affine &toWorld) {
    double extent = 0;
    for (const auto &p : mesh.points)
        extent = std::max(extent, largestCoordinate(toWorld.apply(load(p.data()))));
    return extent;
}

// An instance's transform is inverted (in float) to take rays into the
// mesh's space; a nearly flattened object stays in world space instead.
bool invertible(const Mat3 &m) {
    const double det = m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
                       m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
                       m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
    const double scale = length(m.column(0)) * length(m.column(1)) * length(m.column(2));
    return std::isfinite(det) && std::isfinite(scale) && std::fabs(det) > 1e-6 * scale;
}

// The value a float holds for `v`. The volatile store keeps the rounding:
// GCC 12's vectorizer drops the float round trip of a pair of doubles.
double asFloat(double v) {
    volatile float rounded = static_cast<float>(v);
    return rounded;
}

}  // namespace

EmbreeScene::EmbreeScene() = default;

EmbreeScene::~EmbreeScene() { release(); }

void EmbreeScene::release() {
    // The scene first: its geometries read the meshes' corner points.
    if (scene_) rtcReleaseScene(rtc(scene_));
    scene_ = nullptr;
    objects_.clear();
    objectOfGeometry_.clear();
    meshes_.clear();
}

bool EmbreeScene::build(const Scene &scene, double time, std::string &error) {
    release();
    RTCDevice dev = device();
    if (!dev) {
        error = "the ray tracer could not start";
        return false;
    }
    scene_ = newScene(dev);
    const size_t count = scene.objects.size();
    // Each distinct mesh is triangulated once, however many objects use it.
    std::unordered_map<const Mesh *, MeshGeometry *> byMesh;
    byMesh.reserve(count);
    std::vector<MeshGeometry *> geometryOf(count);
    for (size_t o = 0; o < count; ++o) {
        const Mesh &mesh = *scene.objects[o]->mesh;
        auto [it, fresh] = byMesh.try_emplace(&mesh, nullptr);
        if (fresh) {
            meshes_.push_back(std::make_unique<MeshGeometry>(mesh));
            it->second = meshes_.back().get();
        }
        ++it->second->users;
        geometryOf[o] = it->second;
    }
    objects_.resize(count);
    objectOfGeometry_.reserve(count);
    for (size_t o = 0; o < count; ++o) {
        const SceneObject &obj = *scene.objects[o];
        MeshGeometry &geometry = *geometryOf[o];
        ObjectData &data = objects_[o];
        data.mesh = geometry.mesh;
        data.triangles = &geometry.triangles;
        data.toWorld = scene.worldTransform(obj.id, time);
        data.normalMatrix = transposed(inverted(data.toWorld.linear));
        data.rotation = rotationOf(data.toWorld.linear);
        data.rotationInverse = transposed(data.rotation);
        const bool shared = geometry.users > 1 && invertible(data.toWorld.linear);
        if (!(shared ? placeInstance(obj, geometry, data, error) : placeInWorld(obj, geometry, data, error)))
            return false;
    }
    rtcCommitScene(rtc(scene_));
    if (rtcGetDeviceError(dev) != RTC_ERROR_NONE) {
        error = "the ray tracer could not build the scene";
        return false;
    }
    return true;
}

namespace {

std::string tooFarFor(const SceneObject &obj, double extent) {
    return "object \"" + obj.name + "\" lies too far from the origin for the renderer's precision (" +
           tooFar(extent) + ")";
}

}  // namespace

// The object's points in world space, in float, as the ray tracer's own copy.
bool EmbreeScene::placeInWorld(const SceneObject &obj, MeshGeometry &geometry, ObjectData &data,
                               std::string &error) {
    const Mesh &mesh = *geometry.mesh;
    if (!geometry.drawable()) {
        const double extent = worldExtent(mesh, data.toWorld);
        if (!(extent <= kMaxWorldCoordinate)) {  // also NaN from a degenerate transform
            error = tooFarFor(obj, extent);
            return false;
        }
        return true;
    }
    float *verts = nullptr;
    RTCGeometry geom = newTriangles(device(), mesh.points.size(), geometry.cornerPoints, verts);
    if (!verts) {
        rtcReleaseGeometry(geom);
        error = "not enough memory for the ray tracer";
        return false;
    }
    double extent = 0;
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        const Vec3 w = data.toWorld.apply(load(mesh.points[i].data()));
        extent = std::max(extent, largestCoordinate(w));
        verts[3 * i] = static_cast<float>(w.x);
        verts[3 * i + 1] = static_cast<float>(w.y);
        verts[3 * i + 2] = static_cast<float>(w.z);
    }
    if (!(extent <= kMaxWorldCoordinate)) {
        rtcReleaseGeometry(geom);
        error = tooFarFor(obj, extent);
        return false;
    }
    rtcCommitGeometry(geom);
    data.worldPoints = verts;  // the scene keeps the geometry, and with it the buffer
    attach(geom, static_cast<int>(&data - objects_.data()));
    rtcReleaseGeometry(geom);
    return true;
}

// An instance of the mesh's own scene, made on the mesh's first instance.
bool EmbreeScene::placeInstance(const SceneObject &obj, MeshGeometry &geometry, ObjectData &data,
                                std::string &error) {
    const Mesh &mesh = *geometry.mesh;
    // The corners of the bounds lie at least as far out as any point: when
    // they are clearly within the limit, so is every point; else the points
    // decide, as for a world-space copy.
    double extent = 0;
    for (int c = 0; c < 8; ++c)
        extent = std::max(extent,
                          largestCoordinate(data.toWorld.apply({c & 1 ? geometry.high.x : geometry.low.x,
                                                                c & 2 ? geometry.high.y : geometry.low.y,
                                                                c & 4 ? geometry.high.z : geometry.low.z})));
    if (!(extent <= kMaxWorldCoordinate * (1 - 1e-9))) extent = worldExtent(mesh, data.toWorld);
    if (!(extent <= kMaxWorldCoordinate)) {
        error = tooFarFor(obj, extent);
        return false;
    }
    if (!geometry.drawable()) return true;
    RTCDevice dev = device();
    if (!geometry.child) {
        float *verts = nullptr;
        RTCGeometry geom = newTriangles(dev, mesh.points.size(), geometry.cornerPoints, verts);
        if (!verts) {
            rtcReleaseGeometry(geom);
            error = "not enough memory for the ray tracer";
            return false;
        }
        for (size_t i = 0; i < mesh.points.size(); ++i)
            for (size_t c = 0; c < 3; ++c) verts[3 * i + c] = mesh.points[i][c];
        rtcCommitGeometry(geom);
        geometry.child = newScene(dev);
        rtcAttachGeometry(geometry.child, geom);
        rtcReleaseGeometry(geom);
        rtcCommitScene(geometry.child);
    }
    RTCGeometry inst = rtcNewGeometry(dev, RTC_GEOMETRY_TYPE_INSTANCE);
    rtcSetGeometryInstancedScene(inst, geometry.child);
    float xfm[12];  // columns of the linear part, then the offset
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) xfm[3 * c + r] = static_cast<float>(data.toWorld.linear(r, c));
    xfm[9] = static_cast<float>(data.toWorld.offset.x);
    xfm[10] = static_cast<float>(data.toWorld.offset.y);
    xfm[11] = static_cast<float>(data.toWorld.offset.z);
    rtcSetGeometryTransform(inst, 0, RTC_FORMAT_FLOAT3X4_COLUMN_MAJOR, xfm);
    rtcCommitGeometry(inst);
    attach(inst, static_cast<int>(&data - objects_.data()));
    rtcReleaseGeometry(inst);
    data.instanced = true;
    return true;
}

void EmbreeScene::attach(void *geometry, int object) {
    const unsigned id = rtcAttachGeometry(rtc(scene_), static_cast<RTCGeometry>(geometry));
    if (objectOfGeometry_.size() <= id) objectOfGeometry_.resize(id + 1, -1);
    objectOfGeometry_[id] = object;
}

Vec3 EmbreeScene::worldPoint(int object, int point) const {
    const ObjectData &data = objects_[index(object)];
    const auto i = static_cast<size_t>(point);
    if (data.worldPoints) return load(data.worldPoints + 3 * i);
    const Vec3 w = data.toWorld.apply(load(data.mesh->points[i].data()));
    return {asFloat(w.x), asFloat(w.y), asFloat(w.z)};
}

Vec3 EmbreeScene::geometricNormal(int object, int triangle) const {
    const ObjectData &data = objects_[index(object)];
    const Triangle &t = (*data.triangles)[static_cast<size_t>(triangle)];
    Vec3 wp[3];
    for (int k = 0; k < 3; ++k)
        wp[k] = worldPoint(object, data.mesh->polyVerts[static_cast<size_t>(t.corner[k])]);
    return triangleNormal(wp);
}

namespace {

void setRay(RTCRay &ray, Vec3 o, Vec3 d, double tnear, double tfar) {
    ray.org_x = static_cast<float>(o.x);
    ray.org_y = static_cast<float>(o.y);
    ray.org_z = static_cast<float>(o.z);
    ray.dir_x = static_cast<float>(d.x);
    ray.dir_y = static_cast<float>(d.y);
    ray.dir_z = static_cast<float>(d.z);
    ray.tnear = static_cast<float>(tnear);
    ray.tfar = tfar >= std::numeric_limits<float>::max() ? std::numeric_limits<float>::infinity()
                                                         : static_cast<float>(tfar);
    ray.time = 0;
    ray.mask = 0xFFFFFFFFu;
    ray.id = 0;
    ray.flags = 0;
}

// Finite, within the intersector's range, and a direction that is not zero;
// the comparisons also refuse NaN.
bool within(double v) { return std::fabs(v) <= kMaxRayCoordinate; }
bool usable(Vec3 o, Vec3 d, double tnear, double tfar) {
    return within(o.x) && within(o.y) && within(o.z) && within(d.x) && within(d.y) && within(d.z) &&
           (d.x != 0 || d.y != 0 || d.z != 0) && tnear >= 0 && tnear <= kMaxRayCoordinate && tfar >= tnear;
}

}  // namespace

bool EmbreeScene::intersect(Vec3 origin, Vec3 direction, double tnear, double tfar, RayHit &hit) const {
    hit = RayHit{};
    if (!scene_ || !usable(origin, direction, tnear, tfar)) return false;
    RTCIntersectContext ctx;
    rtcInitIntersectContext(&ctx);
    RTCRayHit rh;
    setRay(rh.ray, origin, direction, tnear, tfar);
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.primID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(rtc(scene_), &ctx, &rh);
    // A hit in an instance names the instance, which stands for the object.
    const unsigned id = rh.hit.instID[0] != RTC_INVALID_GEOMETRY_ID ? rh.hit.instID[0] : rh.hit.geomID;
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID || id >= objectOfGeometry_.size()) return false;
    hit.object = objectOfGeometry_[id];
    hit.triangle = static_cast<int>(rh.hit.primID);
    hit.distance = rh.ray.tfar;
    hit.u = rh.hit.u;
    hit.v = rh.hit.v;
    return hit.object >= 0;
}

bool EmbreeScene::occluded(Vec3 origin, Vec3 direction, double tnear, double tfar) const {
    if (!scene_ || !usable(origin, direction, tnear, tfar)) return false;
    RTCIntersectContext ctx;
    rtcInitIntersectContext(&ctx);
    RTCRay ray;
    setRay(ray, origin, direction, tnear, tfar);
    rtcOccluded1(rtc(scene_), &ctx, &ray);
    return ray.tfar < 0;
}

}  // namespace minihost
