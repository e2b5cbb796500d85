// Shading one hit: the shader access record is filled with the sample's
// geometry, the surface's shaders run in order, and what they left
// (replacement, diffuse, specular, mirror, transparency) makes the colour.
#pragma once

#include "host/access.h"
#include "minihost/render/frame_state.h"

namespace minihost {

// Fills every field of `sa` for a hit of the ray (origin, unit direction).
void fillShaderAccess(const FrameState &frame, const RayHit &hit, Vec3 origin, Vec3 direction, int bounces,
                      int px, int py, ShaderAccess &sa);

// Runs a surface's live shaders in order, on the calling thread, with the
// thread's bounce count set to the sample's.
void runShaders(const FrameState &frame, const std::vector<LiveUse> &shaders, ShaderAccess &sa);

struct TraceResult {
    bool hit = false;
    double distance = -1;
    Vec3 color;
    Vec3 normal;                            // the shading normal the surface's shaders left, world space
    int object = -1;                        // index in the scene's objects
    const SceneSurface *surface = nullptr;  // the surface hit
};

// Traces and fully shades a ray (mirror and transparency rays included, up to
// the scene's bounce limit). A miss gives the background colour.
TraceResult traceAndShade(const FrameState &frame, Vec3 origin, Vec3 direction, int bounces, int px, int py);

// The surface a hit landed on, and its live shaders.
const SceneSurface *surfaceOfHit(const FrameState &frame, const RayHit &hit);
const std::vector<LiveUse> &shadersOfHit(const FrameState &frame, const RayHit &hit);

// The host's ray functions for shaders and filters. The access records hand
// them out guarded (core/service_guard.h), a ray that failed counting as one
// that hit nothing.
double hostRayTrace(const double position[3], const double direction[3], double color[3]);
double hostRayCast(const double position[3], const double direction[3]);
double hostRayShade(const double position[3], const double direction[3], ShaderAccess *out);
inline constexpr auto kMissedRay = [](auto...) { return -1.0; };

}  // namespace minihost
