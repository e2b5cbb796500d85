// The buffers of one frame, one plane per channel: red, green, blue, alpha
// and the camera depth (> 1e14 where nothing was hit), and the layers chosen
// for compositing.
#pragma once

#include <cstddef>
#include <vector>

#include "minihost/render/frame_layers.h"

namespace minihost {

constexpr float kNoHitDepth = 1e30f;

struct FrameBuffer {
    int width = 0, height = 0;
    std::vector<float> red, green, blue, alpha, depth;
    FrameLayers layers;

    void resize(int w, int h) {
        width = w;
        height = h;
        const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
        red.assign(n, 0.0f);
        green.assign(n, 0.0f);
        blue.assign(n, 0.0f);
        alpha.assign(n, 0.0f);
        depth.assign(n, kNoHitDepth);
        // The shading fills the normals and IDs; the other layers are taken whole later.
        for (auto &plane : layers.normal) plane.assign(layers.chosen.normal ? n : 0, 0.0f);
        layers.objectIds.assign(layers.chosen.ids ? n : 0, 0.0f);
        layers.surfaceIds.assign(layers.chosen.ids ? n : 0, 0.0f);
    }
    size_t index(int x, int y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
    }
    // The plane of a buffer code (BUFFER_RED .. BUFFER_ALPHA, BUFFER_DEPTH), or null.
    std::vector<float> *plane(int type);
    const std::vector<float> *plane(int type) const;
};

}  // namespace minihost
