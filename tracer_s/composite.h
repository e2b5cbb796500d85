// Writing TraceStep2's result into the host's image: the pass-through copy and
// the composite of the draw buffer at pixel resolution.
#pragma once

#include <cstdint>

#include "host/access.h"

namespace qr::tracer_s {

// Writes every pixel's colour and alpha back unchanged.
void copyImageThrough(const FilterAccess *fa);

// Averages the b x b draw-buffer cells of each pixel over the pixel's colour
// (or white when overWhite) and adds their mean coverage to its alpha. Pixels
// that the grid does not cover (an image larger than the grid divided by b)
// get no strokes: their background colour and their alpha as a stroke-free
// pixel would.
void compositeStrokes(const FilterAccess *fa, const uint8_t *draw, int gridWidth, int gridHeight,
                      int oversampling, bool overWhite);

}  // namespace qr::tracer_s
