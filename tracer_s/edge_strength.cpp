#include "tracer_s/edge_strength.h"

#include <algorithm>

#include "texlib/vector.h"
#include "tracer_s/shader_line_settings.h"

namespace qr::tracer_s {

namespace {

// The earlier neighbours, in the order they are tested.
constexpr int kNeighbourDx[3] = {-1, 0, -1};
constexpr int kNeighbourDy[3] = {-1, -1, 0};

void raise(double &m, double v) {
    if (m < v) m = v;
}

}  // namespace

bool findReferenceSample(const StrokeStoreView &store, int x, int y, ReferenceSample &ref) {
    double best = kFarDepth;
    bool found = false;
    for (int row = y - 1; row <= y + 1; ++row) {
        for (int col = x - 1; col <= x + 1; ++col) {
            if (!store.inside(col, row)) continue;
            const size_t i = store.index(col, row);
            if (store.shader[i] == nullptr) continue;
            const double d = store.depth[i];
            if (!(d < best)) continue;
            best = d;
            ref.index = i;
            ref.shader = store.shader[i];
            found = true;
        }
    }
    if (!found) return false;
    const uint8_t *c = store.lineColor + 3 * ref.index;
    for (int k = 0; k < 3; ++k) ref.color[k] = c[k] * kByteToUnit;
    ref.boost = store.boost[ref.index];
    return true;
}

EdgeTolerances tolerancesFor(const TraceStep1Instance &settings, const void *referenceShader) {
    EdgeTolerances t{settings.norm_err, settings.dist_err, settings.dist_range, settings.mat_edge};
    if (referenceShader != nullptr) {
        const ShaderLineSettings &line = lineSettingsOf(referenceShader);
        if (line.override_f != 0) {
            t.normal = line.norm_err;
            t.depth = line.dist_err;
        }
    }
    return t;
}

double edgeStrength(const StrokeStoreView &store, int x, int y, const EdgeTolerances &tol) {
    const size_t centre = store.index(x, y);
    if (store.isolated(centre)) return -1.0;

    size_t neighbour[3];
    int count = 0;
    for (int k = 0; k < 3; ++k) {
        const int col = x + kNeighbourDx[k];
        const int row = y + kNeighbourDy[k];
        if (!store.inside(col, row)) continue;
        const size_t i = store.index(col, row);
        if (store.isolated(i)) continue;
        neighbour[count++] = i;
    }

    if (store.depth[centre] < 0.0f) {
        for (int k = 0; k < count; ++k) {
            const size_t i = neighbour[k];
            if (store.shader[i] != nullptr && store.depth[i] >= 0.0f) return 1.0;
        }
        return -1.0;
    }
    if (store.shader[centre] == nullptr) return -1.0;

    const double d0 = store.depth[centre];
    const float *n0 = store.normal + 3 * centre;
    const int id0 = lineSettingsOf(store.shader[centre]).mat_id;

    double m = -1.0;
    for (int k = 0; k < count; ++k) {
        const size_t i = neighbour[k];
        if (store.shader[i] == nullptr) continue;
        if (lineSettingsOf(store.shader[i]).mat_id != id0) raise(m, tol.material);

        const double e = 1.0 - dotOfNormals(n0, store.normal + 3 * i);
        if (e >= tol.normal) raise(m, 0.3 * std::min(1.0, e - tol.normal));

        const double d1 = store.depth[i];
        const double r = d1 > d0 ? d1 / d0 - 1.0 : d0 / d1 - 1.0;
        if (r >= tol.depth) {
            const double v = tol.range > 0.0 ? std::min(1.0, (r - tol.depth) / tol.range) : 0.0;
            raise(m, v);
        }
    }
    for (int k = 0; k < count; ++k) {
        if (store.depth[neighbour[k]] < 0.0f) m = 1.0;
    }
    return m;
}

}  // namespace qr::tracer_s
