// A stroke-edition sample store held by the test: the six buffers as vectors,
// cells written the way the pass and the edge shader write them, and a
// scene-like fill (background, round and boxy objects at several depths, a few
// materials, one surface without the edge shader) for whole-buffer checks and
// benchmarks.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "shader/edge_line_settings.h"
#include "store/stroke_store_view.h"
#include "tracer_s/oversampled_pass.h"

namespace storetest {

// An edge shader's line settings, as the tracer reads them through the
// cells' shader addresses.
using Shader = qr::EdgeLineSettings;

inline Shader makeShader(int matId, int overrideF = 0, double normErr = 0.1, double distErr = 0.02) {
    return Shader{overrideF, normErr, distErr, matId};
}

struct Hit {
    float depth = 1.0f;
    const Shader *shader = nullptr;
    float normal[3] = {0.0f, 0.0f, -1.0f};
    uint8_t color[3] = {0, 0, 0};
    float boost = 0.0f;
};

class StoreBuilder {
public:
    StoreBuilder(int gridWidth, int gridHeight, int factor)
            : w_(gridWidth),
              h_(gridHeight),
              b_(factor),
              marks_(cells()),
              depth_(cells(), -1.0f),
              normal_(3 * cells(), 0.0f),
              color_(3 * cells(), 0),
              boost_(cells(), 0.0f),
              shader_(cells(), nullptr) {}

    size_t cells() const { return size_t(w_) * size_t(h_); }
    size_t index(int x, int y) const { return size_t(y) * size_t(w_) + size_t(x); }

    void set(int x, int y, const Hit &hit) {
        const size_t i = index(x, y);
        depth_[i] = hit.depth;
        shader_[i] = const_cast<Shader *>(hit.shader);
        for (int c = 0; c < 3; ++c) {
            normal_[3 * i + c] = hit.normal[c];
            color_[3 * i + c] = hit.color[c];
        }
        boost_[i] = hit.boost;
    }
    void fill(int x0, int y0, int x1, int y1, const Hit &hit) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) set(x, y, hit);
    }
    void background(int x, int y) {
        const size_t i = index(x, y);
        depth_[i] = -1.0f;
        shader_[i] = nullptr;
    }
    void isolate(int x, int y) { marks_[index(x, y)] |= 1; }
    uint8_t mark(int x, int y) const { return marks_[index(x, y)]; }
    float depth(int x, int y) const { return depth_[index(x, y)]; }
    // The marks as the pass would make them from the depths.
    void markIsolated() { qr::tracer_s::markIsolatedSamples(view()); }

    qr::StrokeStoreView view() {
        qr::StrokeStoreView v;
        v.gridWidth = w_;
        v.gridHeight = h_;
        v.oversampling = b_;
        v.marks = marks_.data();
        v.depth = depth_.data();
        v.normal = normal_.data();
        v.lineColor = color_.data();
        v.boost = boost_.data();
        v.shader = shader_.data();
        return v;
    }

    // A store header over these buffers, as the pass and process see it.
    qr::StrokeStoreHeader header() {
        qr::StrokeStoreHeader h{};
        h.gridWidth = w_;
        h.gridHeight = h_;
        h.oversampling = b_;
        h.buff1 = marks_.data();
        h.buff2 = depth_.data();
        h.buff3 = normal_.data();
        h.buff4 = color_.data();
        h.buff5 = boost_.data();
        h.buff6 = shader_.data();
        return h;
    }
    // Copies the cells into a store's buffers of the same grid.
    void copyInto(qr::StrokeStoreHeader &h) const {
        std::copy(marks_.begin(), marks_.end(), h.buff1);
        std::copy(depth_.begin(), depth_.end(), h.buff2);
        std::copy(normal_.begin(), normal_.end(), h.buff3);
        std::copy(color_.begin(), color_.end(), h.buff4);
        std::copy(boost_.begin(), boost_.end(), h.buff5);
        std::copy(shader_.begin(), shader_.end(), h.buff6);
    }

    int width() const { return w_; }
    int height() const { return h_; }

private:
    int w_, h_, b_;
    std::vector<uint8_t> marks_;
    std::vector<float> depth_;
    std::vector<float> normal_;
    std::vector<uint8_t> color_;
    std::vector<float> boost_;
    std::vector<void *> shader_;
};

// The shaders of the scene-like fill: four materials, one overriding the
// tracer's tolerances.
struct SceneShaders {
    Shader shaders[4] = {makeShader(1), makeShader(2), makeShader(3, 1, 0.05, 0.01), makeShader(1)};
};

// Fills the store like a rendered scene: spheres and boxes of several
// materials at several depths over an empty background, a floor without the
// edge shader along the bottom, and a few lone samples. Deterministic for a
// given seed; the objects scale with the grid, so their number sets the share
// of edge cells (about 3 % with 90 objects).
inline void fillSceneLike(StoreBuilder &store, const SceneShaders &shaders, uint32_t seed = 7,
                          int objects = 14) {
    uint32_t state = seed;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;  // [0, 1)
    };
    const int w = store.width(), h = store.height();
    const double scale = std::min(w, h);

    // A floor that carries no edge shader: depth but nothing recorded.
    for (int y = h - h / 8; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Hit floor;
            floor.depth = float(20.0 - 10.0 * (y - (h - h / 8)) / double(h));
            floor.normal[1] = 1.0f;
            floor.normal[2] = 0.0f;
            store.set(x, y, floor);
        }

    for (int o = 0; o < objects; ++o) {
        const Shader *shader = &shaders.shaders[o % 4];
        const double cx = next() * w, cy = next() * h * 0.9;
        const double radius = (0.3 + 0.9 * next()) * scale / std::sqrt(double(objects) + 1.0);
        const double base = 5.0 + 10.0 * next();
        const uint8_t col[3] = {uint8_t(next() * 255), uint8_t(next() * 255), uint8_t(next() * 255)};
        const float boost = o % 3 == 0 ? 0.5f : 0.0f;
        const bool sphere = o % 2 == 0;
        const int x0 = std::max(0, int(cx - radius)), x1 = std::min(w - 1, int(cx + radius));
        const int y0 = std::max(0, int(cy - radius)), y1 = std::min(h - 1, int(cy + radius));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double dx = (x + 0.5 - cx) / radius, dy = (y + 0.5 - cy) / radius;
                Hit hit;
                hit.shader = shader;
                hit.boost = boost;
                for (int c = 0; c < 3; ++c) hit.color[c] = col[c];
                if (sphere) {
                    const double r2 = dx * dx + dy * dy;
                    if (r2 > 1.0) continue;
                    const double dz = std::sqrt(1.0 - r2);
                    hit.depth = float(base - dz * radius / scale * 4.0);
                    hit.normal[0] = float(dx);
                    hit.normal[1] = float(-dy);
                    hit.normal[2] = float(-dz);
                } else {
                    // Three faces of a box: front, left side, top.
                    const bool left = dx < -0.4, top = dy < -0.5 && !left;
                    hit.depth =
                        float(base + (left ? 0.3 * (dx + 1.0) : 0.0) + (top ? 0.2 * (dy + 1.0) : 0.0));
                    hit.normal[0] = left ? -1.0f : 0.0f;
                    hit.normal[1] = top ? 1.0f : 0.0f;
                    hit.normal[2] = (left || top) ? 0.0f : -1.0f;
                }
                if (store.depth(x, y) >= 0.0f && store.depth(x, y) < hit.depth) continue;  // hidden
                store.set(x, y, hit);
            }
    }
    // Lone samples: a hit in the background and holes in surfaces.
    for (int k = 0; k < 20; ++k) {
        const int x = int(next() * (w - 2)) + 1, y = int(next() * (h - 2)) + 1;
        if (store.depth(x, y) < 0.0f) {
            Hit lone;
            lone.depth = 3.0f;
            lone.shader = &shaders.shaders[1];
            store.set(x, y, lone);
        } else {
            store.background(x, y);
        }
    }
    store.markIsolated();
}

}  // namespace storetest
