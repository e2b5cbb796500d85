#include "minihost/render/frame_state.h"

#include <algorithm>
#include <cmath>

#include "host/item_services.h"

namespace minihost {

ShadingThread &shadingThread() {
    static thread_local ShadingThread state;
    return state;
}

ShadingScope::ShadingScope(const FrameState *frame, int bounces, int px, int py) : saved_(shadingThread()) {
    shadingThread() = ShadingThread{frame, bounces, px, py};
}

ShadingScope::~ShadingScope() { shadingThread() = saved_; }

bool FrameState::prepare(const Scene &s, const LiveUses *uses, int f, double t, std::string &error) {
    scene = &s;
    live = uses;
    frame = f;
    time = t;
    if (!geometry.build(s, t, error)) return false;
    camera = cameraFrameAt(s, t);
    const Vec3 c = camera.position;
    if (!(std::max({std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)}) <= kMaxWorldCoordinate)) {
        error = "the camera lies too far from the origin for the renderer's precision (beyond " +
                std::to_string(static_cast<long long>(kMaxWorldCoordinate)) + " on an axis)";
        return false;
    }
    lights.clear();
    for (const auto &l : s.lights) {
        LightFrame lf;
        lf.light = l.get();
        double v[3];
        auto param = [&](int code) {
            v[0] = v[1] = v[2] = 0;
            s.itemParam(l->id, code, t, v);
            return load(v);
        };
        lf.position = param(ITEM_PARAM_W_POSITION);
        lf.right = param(ITEM_PARAM_RIGHT);
        lf.up = param(ITEM_PARAM_UP);
        lf.forward = param(ITEM_PARAM_FORWARD);
        lights.push_back(lf);
    }
    return true;
}

const LightFrame *FrameState::lightFrame(const SceneLight &light) const {
    for (const auto &lf : lights)
        if (lf.light == &light) return &lf;
    return nullptr;
}

double rayEpsilon(Vec3 p) {
    const double m = std::max({1.0, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    return 1e-4 * m;
}

}  // namespace minihost
