// The stroke sweep: every cell of the store grid in raster order, a brush stamp
// for each edge cell, blended into the draw buffer.
#pragma once

#include <cstdint>

#include "store/stroke_store_view.h"
#include "tracer_s/trace_step1_instance.h"

namespace qr::tracer_s {

// Sets every cell of a draw buffer of `cells` cells to white with no coverage.
void clearDrawBuffer(uint8_t *draw, size_t cells);

// Paints the stamps of every edge cell of the store into `draw` (4 bytes per
// cell, already cleared). `scratch` holds stampScratchDoubles(gridWidth)
// doubles.
void paintStrokes(const StrokeStoreView &store, const TraceStep1Instance &settings, uint8_t *draw,
                  double *scratch);

}  // namespace qr::tracer_s
