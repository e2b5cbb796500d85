#include "minihost/render/frame_state.h"

#include <algorithm>
#include <cmath>

namespace minihost {

ShadingThread &shadingThread() {
    static thread_local ShadingThread state;
    return state;
}

ShadingScope::ShadingScope(const FrameState *frame, int bounces, int px, int py) : saved_(shadingThread()) {
    shadingThread() = ShadingThread{frame, bounces, px, py};
}

ShadingScope::~ShadingScope() { shadingThread() = saved_; }

double rayEpsilon(Vec3 p) {
    const double m = std::max({1.0, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    return 1e-4 * m;
}

}  // namespace minihost
