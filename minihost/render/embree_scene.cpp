#include "minihost/render/embree_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>

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

EmbreeScene::EmbreeScene() = default;

EmbreeScene::~EmbreeScene() {
    if (scene_) rtcReleaseScene(rtc(scene_));
}

bool EmbreeScene::build(const Scene &scene, double time, std::string &error) {
    if (scene_) rtcReleaseScene(rtc(scene_));
    scene_ = nullptr;
    objects_.clear();
    objectOfGeometry_.clear();
    RTCDevice dev = device();
    if (!dev) {
        error = "the ray tracer could not start";
        return false;
    }
    scene_ = rtcNewScene(dev);
    rtcSetSceneBuildQuality(rtc(scene_), RTC_BUILD_QUALITY_MEDIUM);
    // Watertight: a ray through a shared edge or corner still hits.
    rtcSetSceneFlags(rtc(scene_), RTC_SCENE_FLAG_ROBUST);
    objects_.resize(scene.objects.size());
    for (size_t o = 0; o < scene.objects.size(); ++o) {
        const SceneObject &obj = *scene.objects[o];
        const Mesh &mesh = obj.mesh;
        ObjectData &data = objects_[o];
        data.toWorld = scene.worldTransform(obj.id, time);
        data.normalMatrix = transposed(inverted(data.toWorld.linear));
        data.rotation = rotationOf(data.toWorld.linear);
        data.rotationInverse = transposed(data.rotation);
        data.worldPoints.resize(mesh.points.size());
        double extent = 0;
        for (size_t i = 0; i < mesh.points.size(); ++i) {
            const Vec3 w = data.toWorld.apply(load(mesh.points[i].data()));
            extent = std::max({extent, std::fabs(w.x), std::fabs(w.y), std::fabs(w.z)});
            data.worldPoints[i] = {static_cast<float>(w.x), static_cast<float>(w.y), static_cast<float>(w.z)};
        }
        if (!(extent <= kMaxWorldCoordinate)) {  // also NaN from a degenerate transform
            error = "object \"" + obj.name +
                    "\" lies too far from the origin for the renderer's precision (" + tooFar(extent) + ")";
            return false;
        }
        for (int p = 0; p < mesh.numPolygons(); ++p) {
            const int first = mesh.polyStart[p];
            for (int k = 1; k + 1 < mesh.polySize(p); ++k)
                data.triangles.push_back({p, {first, first + k, first + k + 1}});
        }
        if (data.triangles.empty() || data.worldPoints.empty()) continue;
        data.normals.reserve(data.triangles.size());
        for (const Triangle &t : data.triangles) {
            Vec3 wp[3];
            for (int k = 0; k < 3; ++k)
                wp[k] = load(
                    data.worldPoints[static_cast<size_t>(mesh.polyVerts[static_cast<size_t>(t.corner[k])])]
                        .data());
            data.normals.push_back(normalized(cross(wp[1] - wp[0], wp[2] - wp[0])));
        }

        RTCGeometry geom = rtcNewGeometry(dev, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto *verts = static_cast<float *>(rtcSetNewGeometryBuffer(
            geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), data.worldPoints.size()));
        auto *index = static_cast<unsigned *>(rtcSetNewGeometryBuffer(
            geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), data.triangles.size()));
        if (!verts || !index) {
            rtcReleaseGeometry(geom);
            error = "not enough memory for the ray tracer";
            return false;
        }
        for (size_t i = 0; i < data.worldPoints.size(); ++i)
            for (size_t c = 0; c < 3; ++c) verts[3 * i + c] = data.worldPoints[i][c];
        for (size_t t = 0; t < data.triangles.size(); ++t)
            for (size_t c = 0; c < 3; ++c)
                index[3 * t + c] =
                    static_cast<unsigned>(mesh.polyVerts[static_cast<size_t>(data.triangles[t].corner[c])]);
        rtcCommitGeometry(geom);
        const unsigned id = rtcAttachGeometry(rtc(scene_), geom);
        rtcReleaseGeometry(geom);
        if (objectOfGeometry_.size() <= id) objectOfGeometry_.resize(id + 1, -1);
        objectOfGeometry_[id] = static_cast<int>(o);
    }
    rtcCommitScene(rtc(scene_));
    if (rtcGetDeviceError(dev) != RTC_ERROR_NONE) {
        error = "the ray tracer could not build the scene";
        return false;
    }
    return true;
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
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID || rh.hit.geomID >= objectOfGeometry_.size()) return false;
    hit.object = objectOfGeometry_[rh.hit.geomID];
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
