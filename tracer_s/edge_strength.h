// Edge grading of one store cell against its left, upper and upper-left
// neighbours, and the reference sample that gives a stamp its colour.
#pragma once

#include <cstddef>

#include "store/stroke_store_view.h"
#include "tracer_s/trace_step1_instance.h"

namespace qr::tracer_s {

// Colours are stored as bytes; this factor (not a division by 255) turns them
// into fractions, so the truncated bytes of a blend come out as intended.
inline constexpr double kByteToUnit = 0.00392156862745098;

// Depth the reference search starts from: farther than any hit.
inline constexpr double kFarDepth = 1e14;

struct EdgeTolerances {
    double normal;    // nt
    double depth;     // dt
    double range;     // dr
    double material;  // ml
};

struct ReferenceSample {
    size_t index = 0;  // the cell that supplied the sample
    const void *shader = nullptr;
    double color[3] = {0, 0, 0};
    double boost = 0;
};

// The nearest recorded sample of the 3 x 3 block around (x, y), the first in
// row-major order on equal depths. False when no cell of the block is recorded.
bool findReferenceSample(const StrokeStoreView &store, int x, int y, ReferenceSample &ref);

// TraceStep1's tolerances, with the reference shader's normal and depth
// tolerances when it overrides them.
EdgeTolerances tolerancesFor(const TraceStep1Instance &settings, const void *referenceShader);

// -1 when (x, y) is no edge, else the edge strength from 0 to 1.
double edgeStrength(const StrokeStoreView &store, int x, int y, const EdgeTolerances &tol);

}  // namespace qr::tracer_s
