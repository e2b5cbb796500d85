// What the shading of one frame reads: the scene, its geometry at the
// frame's time and the camera. Shared read-only by every render thread.
#pragma once

#include "minihost/render/camera_rays.h"
#include "minihost/render/embree_scene.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/live_uses.h"

namespace minihost {

// A light's placement at the frame's time, worked out once per frame.
struct LightFrame {
    const SceneLight *light = nullptr;
    Vec3 position, right, up, forward;
};

struct FrameState {
    const Scene *scene = nullptr;
    const LiveUses *live = nullptr;  // the scene's instances; no shader runs when null
    EmbreeScene geometry;
    CameraFrame camera;
    std::vector<LightFrame> lights;  // in the scene's order
    int frame = 0;
    double time = 0;
    // Set for a material preview: every hit shows this surface (its settings
    // and the live shaders beside it) instead of the surface of the hit polygon.
    const SceneSurface *previewSurface = nullptr;
    const std::vector<LiveUse> *previewShaders = nullptr;

    // Builds the geometry, camera and lights of `scene` at `time`; `live`
    // holds the instances of the scene's shaders (null: none run).
    bool prepare(const Scene &scene, const LiveUses *live, int frame, double time, std::string &error);
    const LightFrame *lightFrame(const SceneLight &light) const;
};

// The shading state of the calling thread. The host's ray functions take no
// context, so they find the frame and the caller's bounce count here.
struct ShadingThread {
    const FrameState *frame = nullptr;
    int bounces = -1;  // of the sample being shaded; -1 in the filter stages
    int pixelX = 0, pixelY = 0;
};

ShadingThread &shadingThread();

// Sets the calling thread's state for a scope, restoring the previous one.
class ShadingScope {
public:
    ShadingScope(const FrameState *frame, int bounces, int px, int py);
    ~ShadingScope();
    ShadingScope(const ShadingScope &) = delete;
    ShadingScope &operator=(const ShadingScope &) = delete;

private:
    ShadingThread saved_;
};

// A small distance that keeps secondary rays off the surface they leave.
double rayEpsilon(Vec3 position);

}  // namespace minihost
