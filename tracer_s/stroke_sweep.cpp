#include "tracer_s/stroke_sweep.h"

#include <cstring>

#include "tracer_s/brush_stamp.h"
#include "tracer_s/edge_strength.h"

namespace qr::tracer_s {

void clearDrawBuffer(uint8_t *draw, size_t cells) {
    uint32_t pattern;
    std::memcpy(&pattern, kEmptyDrawCell, sizeof pattern);
    for (size_t i = 0; i < cells; ++i) std::memcpy(draw + 4 * i, &pattern, sizeof pattern);
}

void paintStrokes(const StrokeStoreView &store, const TraceStep1Instance &settings, uint8_t *draw,
                  double *scratch) {
    // Whether a cell is an edge does not depend on the tolerances when it is
    // isolated, unrecorded or background, so those cells are settled before
    // the reference search (which only chooses the tolerances and the colour).
    const EdgeTolerances own = tolerancesFor(settings, nullptr);
    for (int y = 0; y < store.gridHeight; ++y) {
        for (int x = 0; x < store.gridWidth; ++x) {
            const size_t i = store.index(x, y);
            if (store.isolated(i)) continue;
            ReferenceSample ref;
            double m;
            if (store.depth[i] < 0.0f) {
                m = edgeStrength(store, x, y, own);
                if (m < 0.0) continue;
                if (!findReferenceSample(store, x, y, ref)) continue;
            } else {
                if (store.shader[i] == nullptr) continue;
                if (!findReferenceSample(store, x, y, ref)) continue;
                m = edgeStrength(store, x, y, tolerancesFor(settings, ref.shader));
                if (m < 0.0) continue;
            }
            StampShape shape;
            if (!stampShapeFor(settings, store.factor, x, y, m, ref.boost, shape)) continue;
            paintStamp(store, draw, scratch, x, y, shape, ref.color);
        }
    }
}

}  // namespace qr::tracer_s
