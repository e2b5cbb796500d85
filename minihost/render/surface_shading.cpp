#include "minihost/render/surface_shading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "minihost/core/service_guard.h"
#include "minihost/render/lights.h"
#include "minihost/servers/active_handler.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {

namespace {

constexpr double kFar = std::numeric_limits<double>::infinity();

double finiteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

Vec3 reflectDir(Vec3 d, Vec3 n) { return normalized(d - n * (2.0 * dot(d, n))); }

// The index, within its object, of the surface of the hit polygon.
size_t meshSurfaceOfHit(const FrameState &frame, const RayHit &hit) {
    const SceneObject &obj = *frame.scene->objects[static_cast<size_t>(hit.object)];
    const int poly = frame.geometry.triangles(hit.object)[static_cast<size_t>(hit.triangle)].polygon;
    return static_cast<size_t>(obj.mesh->polySurface[static_cast<size_t>(poly)]);
}

}  // namespace

const SceneSurface *surfaceOfHit(const FrameState &frame, const RayHit &hit) {
    if (frame.previewSurface) return frame.previewSurface;
    const SceneObject &obj = *frame.scene->objects[static_cast<size_t>(hit.object)];
    return obj.surfaces[meshSurfaceOfHit(frame, hit)].get();
}

const std::vector<LiveUse> &shadersOfHit(const FrameState &frame, const RayHit &hit) {
    static const std::vector<LiveUse> none;
    if (frame.previewSurface) return frame.previewShaders ? *frame.previewShaders : none;
    if (!frame.live) return none;
    return frame.live->shadersOf(static_cast<size_t>(hit.object), meshSurfaceOfHit(frame, hit));
}

void fillShaderAccess(const FrameState &frame, const RayHit &hit, Vec3 origin, Vec3 dir, int bounces, int px,
                      int py, ShaderAccess &sa) {
    // Every field is written below, once: no clearing of the whole record first.
    const SceneObject &obj = *frame.scene->objects[static_cast<size_t>(hit.object)];
    const Mesh &mesh = *obj.mesh;
    const Triangle &tri = frame.geometry.triangles(hit.object)[static_cast<size_t>(hit.triangle)];
    const SceneSurface &surf = *surfaceOfHit(frame, hit);
    const double w[3] = {1.0 - hit.u - hit.v, hit.u, hit.v};
    int pts[3];
    Vec3 wp[3], op, n0;
    for (int k = 0; k < 3; ++k) {
        pts[k] = mesh.polyVerts[static_cast<size_t>(tri.corner[k])];
        wp[k] = frame.geometry.worldPoint(hit.object, pts[k]);
        op = op + mesh.point(pts[k]) * w[k];
        n0 = n0 + load(mesh.cornerNormals[static_cast<size_t>(tri.corner[k])].data()) * w[k];
    }
    const Vec3 wPos = wp[0] * w[0] + wp[1] * w[1] + wp[2] * w[2];
    Vec3 g = triangleNormal(wp);        // the hit's corners, already in world space
    const bool flip = dot(g, dir) > 0;  // surfaces are two-sided: normals face the ray
    if (flip) g = -g;
    Vec3 smooth = normalized(frame.geometry.normalToWorld(hit.object) * n0);
    if (flip) smooth = -smooth;
    if (length(smooth) == 0) smooth = g;

    sa.sx = px;
    sa.sy = py;
    store(op, sa.oPos);
    store(wPos, sa.wPos);
    store(g, sa.gNorm);
    sa.spotSize = hit.distance * frame.camera.pixelAngle;
    store(origin, sa.raySource);
    sa.rayLength = hit.distance;
    sa.cosine = -dot(dir, smooth);
    std::memcpy(sa.oXfrm, frame.geometry.rotationToWorld(hit.object).m.data(), sizeof sa.oXfrm);
    std::memcpy(sa.wXfrm, frame.geometry.rotationToObject(hit.object).m.data(), sizeof sa.wXfrm);
    sa.objID = obj.id;
    sa.polNum = tri.polygon;
    store(smooth, sa.wNorm);
    store(smooth, sa.wNorm0);
    sa.bumpHeight = 0;
    sa.bounces = bounces;
    for (int k = 0; k < 3; ++k) {
        sa.verts[k] = pointHandle(pts[k]);
        sa.weights[k] = static_cast<float>(w[k]);
        sa.vertsWPos[k][0] = static_cast<float>(wp[k].x);
        sa.vertsWPos[k][1] = static_cast<float>(wp[k].y);
        sa.vertsWPos[k][2] = static_cast<float>(wp[k].z);
    }
    sa.verts[3] = nullptr;
    sa.weights[3] = 0;
    sa.vertsWPos[3][0] = sa.vertsWPos[3][1] = sa.vertsWPos[3][2] = 0;
    sa.polygon = polygonHandle(tri.polygon);
    sa.surface = surfaceHandle(const_cast<SceneSurface *>(&surf));
    std::memcpy(sa.color, surf.color, sizeof sa.color);
    sa.replaceColor[0] = sa.replaceColor[1] = sa.replaceColor[2] = 0;
    sa.luminous = surf.luminous;
    sa.diffuse = surf.diffuse;
    sa.specular = surf.specular;
    sa.mirror = surf.mirror;
    sa.transparency = surf.transparency;
    sa.eta = surf.eta;
    sa.roughness = surf.roughness;
    sa.replacePercentage = 0;
    sa.illuminate = guardedService<"ShaderAccess.illuminate", hostIlluminate>;
    sa.rayTrace = guardedService<"ShaderAccess.rayTrace", hostRayTrace, kMissedRay>;
    sa.rayCast = guardedService<"ShaderAccess.rayCast", hostRayCast, kMissedRay>;
    sa.rayShade = guardedService<"ShaderAccess.rayShade", hostRayShade, kMissedRay>;
}

void runShaders(const FrameState &frame, const std::vector<LiveUse> &shaders, ShaderAccess &sa) {
    if (shaders.empty()) return;
    ShadingScope scope(&frame, sa.bounces, sa.sx, sa.sy);
    for (const LiveUse &live : shaders) {
        const ShaderHandler *h = live.handler ? &live.handler->shader : nullptr;
        if (h && h->evaluate && live.instance) h->evaluate(live.instance, &sa);
    }
}

namespace {

Vec3 backdrop(const FrameState &frame, const SceneImage *image, Vec3 dir) {
    if (image) {  // a spherical map around the scene
        double c[3];
        const double u = 0.5 + std::atan2(dir.x, dir.z) / (2 * kPi);
        const double v = 0.5 - std::asin(std::clamp(dir.y, -1.0, 1.0)) / kPi;
        image->sample(u, v, c);
        return load(c);
    }
    return load(frame.scene->background);
}

bool excludes(const SceneObject &obj, ItemID light) {
    return std::find(obj.excludedLights.begin(), obj.excludedLights.end(), light) != obj.excludedLights.end();
}

// The colour of a shaded sample from what its shaders left in `sa`.
Vec3 shadeSample(const FrameState &frame, const SceneObject &obj, const SceneSurface &surf,
                 const ShaderAccess &sa, Vec3 dir, int px, int py) {
    const Scene &scene = *frame.scene;
    const Vec3 p = load(sa.wPos);
    const Vec3 n = normalized(load(sa.wNorm));
    const Vec3 base{finiteOr(sa.color[0], 0), finiteOr(sa.color[1], 0), finiteOr(sa.color[2], 0)};
    const double diffuse = finiteOr(sa.diffuse, 0), specular = finiteOr(sa.specular, 0);
    Vec3 light = excludes(obj, ITEM_INDIRECT_LIGHT) ? Vec3{} : ambientLight(scene);
    Vec3 highlight;
    const double exponent = std::pow(2.0, 10.0 * surf.glossiness + 2.0);
    for (const auto &l : scene.lights) {
        if (excludes(obj, l->id)) continue;
        Vec3 to, c;
        if (!illuminateFrom(frame, *l, p + n * rayEpsilon(p), to, c)) continue;
        const double nl = dot(n, to);
        if (nl <= 0) continue;
        if (!(l->flags & LIGHT_FLAG_NO_DIFFUSE)) light = light + c * nl;
        if (!(l->flags & LIGHT_FLAG_NO_SPECULAR) && specular > 0) {
            const double nh = dot(n, normalized(to - dir));
            if (nh > 0) highlight = highlight + c * std::pow(nh, exponent);
        }
    }
    Vec3 color = Vec3{base.x * light.x, base.y * light.y, base.z * light.z} * diffuse + highlight * specular +
                 base * finiteOr(sa.luminous, 0);

    const int bounces = sa.bounces;
    const double mirror = std::clamp(finiteOr(sa.mirror, 0), 0.0, 1.0);
    if (mirror > 0) {
        const Vec3 r = reflectDir(dir, n);
        const SceneImage *img = surf.reflectionOptions >= 2 ? surf.reflectionImage : nullptr;
        Vec3 reflected = backdrop(frame, img, r);
        if ((surf.reflectionOptions == 1 || surf.reflectionOptions == 3) && bounces < scene.maxBounces) {
            const TraceResult t = traceAndShade(frame, p + n * rayEpsilon(p), r, bounces + 1, px, py);
            if (t.hit) reflected = t.color;
        }
        color = color * (1 - mirror) + reflected * mirror;
    }
    const double transparency = std::clamp(finiteOr(sa.transparency, 0), 0.0, 1.0);
    if (transparency > 0) {
        // Seen straight through: refraction does not bend the ray here.
        const SceneImage *img = surf.refractionOptions >= 2 ? surf.refractionImage : nullptr;
        Vec3 behind = backdrop(frame, img, dir);
        if ((surf.refractionOptions == 1 || surf.refractionOptions == 3) && bounces < scene.maxBounces) {
            const TraceResult t = traceAndShade(frame, p - n * rayEpsilon(p), dir, bounces + 1, px, py);
            if (t.hit) behind = t.color;
        }
        color = color * (1 - transparency) + behind * transparency;
    }
    const double rp = std::clamp(finiteOr(sa.replacePercentage, 0), 0.0, 1.0);
    if (rp > 0) {
        const Vec3 rc{finiteOr(sa.replaceColor[0], 0), finiteOr(sa.replaceColor[1], 0),
                      finiteOr(sa.replaceColor[2], 0)};
        color = color * (1 - rp) + rc * rp;
    }
    return color;
}

}  // namespace

TraceResult traceAndShade(const FrameState &frame, Vec3 origin, Vec3 dir, int bounces, int px, int py) {
    TraceResult result;
    RayHit hit;
    if (!frame.geometry.intersect(origin, dir, 0, kFar, hit)) {
        result.color = load(frame.scene->background);
        return result;
    }
    ShaderAccess sa;
    fillShaderAccess(frame, hit, origin, dir, bounces, px, py, sa);
    const SceneSurface &surf = *surfaceOfHit(frame, hit);
    runShaders(frame, shadersOfHit(frame, hit), sa);
    result.hit = true;
    result.distance = hit.distance;
    result.color =
        shadeSample(frame, *frame.scene->objects[static_cast<size_t>(hit.object)], surf, sa, dir, px, py);
    result.normal = load(sa.wNorm);
    result.object = hit.object;
    result.surface = &surf;
    return result;
}

namespace {

// The pixel a secondary ray's hit shows in, for the record's pixel position.
void pixelOf(const FrameState &frame, Vec3 p, int &px, int &py) {
    const ShadingThread &t = shadingThread();
    px = t.pixelX;
    py = t.pixelY;
    double fx, fy;
    if (projectToFrame(frame.camera, p, fx, fy)) {
        px = std::clamp(static_cast<int>(std::floor(fx)), 0, std::max(0, frame.camera.width - 1));
        py = std::clamp(static_cast<int>(std::floor(fy)), 0, std::max(0, frame.camera.height - 1));
    }
}

}  // namespace

double hostRayTrace(const double position[3], const double direction[3], double color[3]) {
    const ShadingThread &t = shadingThread();
    if (!t.frame || !position || !direction) return -1;
    const int bounces = t.bounces + 1;
    if (bounces > t.frame->scene->maxBounces) return -1;
    // A shader's ray leaves its own surface: start it a little away.
    const Vec3 origin = load(position), dir = normalized(load(direction));
    const Vec3 start = t.bounces >= 0 ? origin + dir * rayEpsilon(origin) : origin;
    const TraceResult r = traceAndShade(*t.frame, start, dir, bounces, t.pixelX, t.pixelY);
    if (color) store(r.color, color);
    return r.hit ? r.distance : -1;
}

double hostRayCast(const double position[3], const double direction[3]) {
    const ShadingThread &t = shadingThread();
    if (!t.frame || !position || !direction) return -1;
    const Vec3 origin = load(position);
    RayHit hit;
    const double tnear = t.bounces >= 0 ? rayEpsilon(origin) : 0;
    if (!t.frame->geometry.intersect(origin, normalized(load(direction)), tnear, kFar, hit)) return -1;
    return hit.distance;
}

double hostRayShade(const double position[3], const double direction[3], ShaderAccess *out) {
    const ShadingThread &t = shadingThread();
    if (!t.frame || !position || !direction || !out) return -1;
    const int bounces = t.bounces + 1;  // 0 for a filter's ray, one more than a shader's
    if (bounces > t.frame->scene->maxBounces) return -1;
    const Vec3 origin = load(position), dir = normalized(load(direction));
    RayHit hit;
    const double tnear = t.bounces >= 0 ? rayEpsilon(origin) : 0;
    if (!t.frame->geometry.intersect(origin, dir, tnear, kFar, hit)) return -1;
    int px, py;
    pixelOf(*t.frame, origin + dir * hit.distance, px, py);
    fillShaderAccess(*t.frame, hit, origin, dir, bounces, px, py, *out);
    runShaders(*t.frame, shadersOfHit(*t.frame, hit), *out);
    return hit.distance;
}

}  // namespace minihost
