// The stroke sweep written out plainly, step by step as the algorithm reads:
// for every cell the 3 x 3 reference search, the tolerances, the edge
// strength, and a stamp that visits every target of its square and tests all
// 16 sample points of each. The module's sweep skips and hoists work; its draw
// buffer must come out byte for byte the same as this one. Shared by the
// tests and the benchmark (which measures the module against it).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "shader/edge_line_settings.h"
#include "store/stroke_store_view.h"
#include "tracer_s/stroke_noise.h"
#include "tracer_s/trace_step1_instance.h"

namespace plainref {

using qr::StrokeStoreView;
using qr::tracer_s::TraceStep1Instance;

inline const qr::EdgeLineSettings &shaderAt(const StrokeStoreView &s, size_t i) {
    return *static_cast<const qr::EdgeLineSettings *>(s.shader[i]);
}

inline double plainEdgeStrength(const StrokeStoreView &s, int x, int y, double nt, double dt, double dr,
                                double ml) {
    const size_t c = s.index(x, y);
    double m = -1.0;
    if (s.marks[c] & 1) return -1.0;
    const int nx[3] = {x - 1, x, x - 1};
    const int ny[3] = {y - 1, y - 1, y};
    if (s.depth[c] < 0) {
        for (int k = 0; k < 3; ++k) {
            if (!s.inside(nx[k], ny[k])) continue;
            const size_t i = s.index(nx[k], ny[k]);
            if (!(s.marks[i] & 1) && s.shader[i] != nullptr && s.depth[i] >= 0) return 1.0;
        }
        return -1.0;
    }
    if (s.shader[c] == nullptr) return -1.0;
    const double d0 = s.depth[c];
    const float *n0 = s.normal + 3 * c;
    const int id0 = shaderAt(s, c).mat_id;
    for (int k = 0; k < 3; ++k) {
        if (!s.inside(nx[k], ny[k])) continue;
        const size_t i = s.index(nx[k], ny[k]);
        if ((s.marks[i] & 1) || s.shader[i] == nullptr) continue;
        const double d1 = s.depth[i];
        const float *n1 = s.normal + 3 * i;
        if (shaderAt(s, i).mat_id != id0 && m < ml) m = ml;
        const double e = 1.0 - ((double(n0[2]) * n1[2] + double(n0[1]) * n1[1]) + double(n0[0]) * n1[0]);
        if (e >= nt) {
            const double v = 0.3 * std::min(1.0, e - nt);
            if (m < v) m = v;
        }
        double r;
        if (d1 > d0)
            r = d1 / d0 - 1.0;
        else
            r = d0 / d1 - 1.0;
        if (r >= dt) {
            double v;
            if (dr > 0)
                v = std::min(1.0, (r - dt) / dr);
            else
                v = 0.0;
            if (m < v) m = v;
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (!s.inside(nx[k], ny[k])) continue;
        const size_t i = s.index(nx[k], ny[k]);
        if (!(s.marks[i] & 1) && s.depth[i] < 0) m = 1.0;
    }
    return m;
}

inline void plainStamp(const StrokeStoreView &s, const TraceStep1Instance &t, uint8_t *draw, int x, int y,
                       double m, double w, const double L[3]) {
    const int b = s.oversampling;
    const double R = (t.brush_min * 0.5 * (1 - m) + t.brush_max * 0.5 * m) * (1 + w) * b;
    if (!(R > 0)) return;
    const int n = int(double(float(R)) + 0.5);
    double theta = t.brush_rotate;
    if (t.noise_size * b > 0) {
        const double p[3] = {double(x) / b / (b * t.noise_size), double(y) / b / (b * t.noise_size), 0.0};
        theta += (qr::tracer_s::noise3(p) + 1) * 0.5 * 3.141592653589793;
    }
    const double k = t.brush_squash >= 0.01 ? 1 / t.brush_squash : 100;
    for (int ty = y - n; ty <= y + n; ++ty) {
        for (int tx = x - n; tx <= x + n; ++tx) {
            if (!s.inside(tx, ty)) continue;
            const size_t target = s.index(tx, ty);
            if (!(tx == x || ty == y || s.depth[target] >= s.depth[s.index(x, y)])) continue;
            int count = 0;
            for (int j = 0; j < 4; ++j) {
                for (int i = 0; i < 4; ++i) {
                    const double dx = tx + 0.125 + 0.25 * i - (x + 0.5);
                    const double dy = ty + 0.125 + 0.25 * j - (y + 0.5);
                    const double u = std::cos(theta) * dx - std::sin(theta) * dy;
                    const double v = (std::sin(theta) * dx + std::cos(theta) * dy) * k;
                    if (u * u + v * v <= R * R) ++count;
                }
            }
            const double E = count * 0.0625;
            if (E > 0) {
                uint8_t *cell = draw + 4 * target;
                const double a = cell[3] * 0.00392156862745098;
                const double A = a + E;
                for (int ch = 0; ch < 3; ++ch) {
                    const double old = cell[ch] * 0.00392156862745098;
                    const double nc = (old * a + L[ch] * E) / A;
                    cell[ch] = uint8_t(int(std::min(nc, 1.0) * 255));
                }
                cell[3] = uint8_t(int(std::min(A, 1.0) * 255));
            }
        }
    }
}

// The whole stroke sweep into a fresh draw buffer.
inline std::vector<uint8_t> plainDrawBuffer(const StrokeStoreView &s, const TraceStep1Instance &t) {
    std::vector<uint8_t> draw(4 * s.cellCount());
    for (size_t i = 0; i < s.cellCount(); ++i) {
        draw[4 * i] = draw[4 * i + 1] = draw[4 * i + 2] = 255;
        draw[4 * i + 3] = 0;
    }
    for (int y = 0; y < s.gridHeight; ++y) {
        for (int x = 0; x < s.gridWidth; ++x) {
            double best = 1e14, L[3] = {0, 0, 0}, w = 0;
            const void *shader = nullptr;
            for (int ry = y - 1; ry <= y + 1; ++ry) {
                for (int rx = x - 1; rx <= x + 1; ++rx) {
                    if (!s.inside(rx, ry)) continue;
                    const size_t i = s.index(rx, ry);
                    if (s.shader[i] != nullptr && s.depth[i] < best) {
                        best = s.depth[i];
                        for (int ch = 0; ch < 3; ++ch) L[ch] = s.lineColor[3 * i + ch] * 0.00392156862745098;
                        w = s.boost[i];
                        shader = s.shader[i];
                    }
                }
            }
            if (!shader) continue;
            double nt = t.norm_err, dt = t.dist_err;
            const auto *ls = static_cast<const qr::EdgeLineSettings *>(shader);
            if (ls->override_f != 0) {
                nt = ls->norm_err;
                dt = ls->dist_err;
            }
            const double m = plainEdgeStrength(s, x, y, nt, dt, t.dist_range, t.mat_edge);
            if (m < 0) continue;
            plainStamp(s, t, draw.data(), x, y, m, w, L);
        }
    }
    return draw;
}

// The composite of a draw buffer over an image of w x h pixels (four floats
// per pixel, red, green, blue, alpha, changed in place), as written.
inline void plainComposite(std::vector<float> &rgba, int w, int h, const std::vector<uint8_t> &draw,
                           int gridWidth, int b, bool onlyLine) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float *p = &rgba[4 * (size_t(y) * w + x)];
            const double back[3] = {onlyLine ? 1.0 : p[0], onlyLine ? 1.0 : p[1], onlyLine ? 1.0 : p[2]};
            double sum[3] = {0, 0, 0}, cov = 0;
            for (int row = b * y; row < b * y + b; ++row)
                for (int col = b * x; col < b * x + b; ++col) {
                    const uint8_t *c = &draw[4 * (size_t(row) * gridWidth + col)];
                    const double a = c[3] * 0.00392156862745098;
                    for (int ch = 0; ch < 3; ++ch)
                        sum[ch] += c[ch] * 0.00392156862745098 * a + back[ch] * (1 - a);
                    cov += a;
                }
            for (int ch = 0; ch < 3; ++ch) p[ch] = float(sum[ch] / (b * b));
            p[3] = float(std::min(1.0, p[3] + cov / (b * b)));
        }
    }
}

}  // namespace plainref
