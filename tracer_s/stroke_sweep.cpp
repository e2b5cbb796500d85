#include "tracer_s/stroke_sweep.h"

#include <cstring>
#include <limits>

#include "texlib/vector.h"
#include "tracer_s/brush_stamp.h"
#include "tracer_s/edge_strength.h"
#include "tracer_s/shader_line_settings.h"

namespace qr::tracer_s {

namespace {

// The smallest normal and depth tolerances that any cell of a row can bring
// in: those of the tracer, or of a shader there that overrides them.
struct ToleranceFloor {
    double normal;
    double depth;
    // With 0 < depth < 1: a ratio of depths below this is certainly a step
    // under the depth tolerance (see certainlyNoEdge); 0 when not usable.
    double ratioBelow = 0.0;
};

void setRatioBound(ToleranceFloor &f) {
    f.ratioBelow = f.depth > 0.0 && f.depth < 1.0 ? (1.0 + f.depth) * (1.0 - 1e-9) : 0.0;
}

void lower(double &floor, double v) {
    if (v < floor) floor = v;  // a tolerance that is not a number never grades, so it is left out
}

ToleranceFloor rowFloor(const StrokeStoreView &store, int row, const EdgeTolerances &own) {
    ToleranceFloor f{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    lower(f.normal, own.normal);
    lower(f.depth, own.depth);
    if (row < 0 || row >= store.gridHeight) return f;
    const void *last = nullptr;
    void *const *shader = store.shader + store.index(0, row);
    for (int x = 0; x < store.gridWidth; ++x) {
        if (shader[x] == nullptr || shader[x] == last) continue;
        last = shader[x];
        const ShaderLineSettings &line = lineSettingsOf(last);
        if (line.override_f != 0) {
            lower(f.normal, line.norm_err);
            lower(f.depth, line.dist_err);
        }
    }
    return f;
}

// True when the recorded, unmarked cell i is certainly no edge, whichever of
// the tolerances of its block apply: every test that could raise its strength
// is made as the grading makes it, against the smallest tolerance there. False
// means only "grade it properly".
bool certainlyNoEdge(const StrokeStoreView &store, size_t i, const size_t *neighbour, int count,
                     const ToleranceFloor &floor) {
    const double d0 = store.depth[i];
    const float *n0 = store.normal + 3 * i;
    const void *shader0 = store.shader[i];
    for (int k = 0; k < count; ++k) {
        const size_t n = neighbour[k];
        if (store.isolated(n)) continue;
        if (store.depth[n] < 0.0f) return false;
        const void *shader = store.shader[n];
        if (shader == nullptr) continue;
        if (shader != shader0 && lineSettingsOf(shader).mat_id != lineSettingsOf(shader0).mat_id)
            return false;
        const double e = 1.0 - dotOfNormals(n0, store.normal + 3 * n);
        if (e >= floor.normal) return false;
        // The step is certainly below the tolerance when the larger depth is
        // under the smaller times ratioBelow: the quotient then rounds below
        // 1 + tolerance by far more than any rounding, and subtracting 1 from
        // a quotient in [1, 2) is exact. Otherwise it is tested as graded.
        const double d1 = store.depth[n];
        if (d1 > d0) {
            if (d0 > 0.0 && d1 < d0 * floor.ratioBelow) continue;
            if (d1 / d0 - 1.0 >= floor.depth) return false;
        } else {
            if (d1 > 0.0 && d0 < d1 * floor.ratioBelow) continue;
            if (d0 / d1 - 1.0 >= floor.depth) return false;
        }
    }
    return true;
}

// The common case of certainlyNoEdge, made without its branches: a recorded,
// unmarked cell inside the grid whose three earlier neighbours are recorded by
// the same shader, unmarked, at positive depths, with normals and depths close
// enough that every test passes. True means certainlyNoEdge would say true;
// false means only "ask the full test".
bool quietInterior(const StrokeStoreView &store, size_t i, const ToleranceFloor &floor) {
    const size_t w = static_cast<size_t>(store.gridWidth);
    const size_t n[3] = {i - w - 1, i - w, i - 1};
    const void *shader0 = store.shader[i];
    const int marks = store.marks[i] | store.marks[n[0]] | store.marks[n[1]] | store.marks[n[2]];
    const bool sameShader = (store.shader[n[0]] == shader0) & (store.shader[n[1]] == shader0) &
                            (store.shader[n[2]] == shader0) & (shader0 != nullptr);
    if (!sameShader || (marks & kIsolatedMark) != 0) return false;
    const double d0 = store.depth[i];
    const float *n0 = store.normal + 3 * i;
    bool quiet = d0 > 0.0;
    for (int k = 0; k < 3; ++k) {
        const double d1 = store.depth[n[k]];
        const double lo = d1 < d0 ? d1 : d0, hi = d1 < d0 ? d0 : d1;
        const double e = 1.0 - dotOfNormals(n0, store.normal + 3 * n[k]);
        quiet &= (lo > 0.0) & (hi < lo * floor.ratioBelow) & (e < floor.normal);
    }
    return quiet;
}

}  // namespace

void clearDrawBuffer(uint8_t *draw, size_t cells) {
    uint32_t pattern;
    std::memcpy(&pattern, kEmptyDrawCell, sizeof pattern);
    for (size_t i = 0; i < cells; ++i) std::memcpy(draw + 4 * i, &pattern, sizeof pattern);
}

void paintStrokes(const StrokeStoreView &store, const TraceStep1Instance &settings, uint8_t *draw,
                  double *scratch) {
    // Whether a cell is an edge does not depend on the tolerances when it is
    // isolated, unrecorded or background, and most recorded cells are settled
    // by certainlyNoEdge; only the rest need the reference search, which
    // chooses the tolerances and the colour.
    const EdgeTolerances own = tolerancesFor(settings, nullptr);
    ToleranceFloor rows[3] = {rowFloor(store, -1, own), rowFloor(store, 0, own), rowFloor(store, 1, own)};
    for (int y = 0; y < store.gridHeight; ++y) {
        if (y > 0) {
            rows[0] = rows[1];
            rows[1] = rows[2];
            rows[2] = rowFloor(store, y + 1, own);
        }
        ToleranceFloor block = rows[0];
        for (int r = 1; r < 3; ++r) {
            lower(block.normal, rows[r].normal);
            lower(block.depth, rows[r].depth);
        }
        setRatioBound(block);
        for (int x = 0; x < store.gridWidth; ++x) {
            const size_t i = store.index(x, y);
            if (x > 0 && y > 0 && quietInterior(store, i, block)) continue;
            if (store.isolated(i)) continue;
            ReferenceSample ref;
            double m;
            const bool background = store.depth[i] < 0.0f;
            if (!background && store.shader[i] == nullptr) continue;
            size_t neighbour[3];
            int count = 0;
            if (y > 0) {
                if (x > 0) neighbour[count++] = i - static_cast<size_t>(store.gridWidth) - 1;
                neighbour[count++] = i - static_cast<size_t>(store.gridWidth);
            }
            if (x > 0) neighbour[count++] = i - 1;
            if (background) {
                // An edge only beside an unmarked, recorded hit.
                bool besideHit = false;
                for (int k = 0; k < count; ++k) {
                    const size_t n = neighbour[k];
                    besideHit = besideHit ||
                                (!store.isolated(n) && store.shader[n] != nullptr && store.depth[n] >= 0.0f);
                }
                if (!besideHit) continue;
                m = edgeStrength(store, x, y, own);
                if (m < 0.0) continue;
                if (!findReferenceSample(store, x, y, ref)) continue;
            } else {
                if (certainlyNoEdge(store, i, neighbour, count, block)) continue;
                if (!findReferenceSample(store, x, y, ref)) continue;
                m = edgeStrength(store, x, y, tolerancesFor(settings, ref.shader));
                if (m < 0.0) continue;
            }
            StampShape shape;
            if (!stampShapeFor(settings, store.oversampling, x, y, m, ref.boost, shape)) continue;
            paintStamp(store, draw, scratch, x, y, shape, ref.color);
        }
    }
}

}  // namespace qr::tracer_s
