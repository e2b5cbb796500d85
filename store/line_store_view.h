// A plain view of the line edition's sample store: the grid size and the five
// buffers by what they hold. The edge shader records through it and the line
// tracer reads it, so white-box tests can build a store of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/line_store.h"

namespace qr {

struct LineStoreView {
    int gridWidth = 0;         // the frame width at creation
    int gridHeight = 0;        // the frame height at creation
    void **shader = nullptr;   // Buff1: the edge-shader instance that recorded the pixel, or null
    float *depth = nullptr;    // Buff2: depth along the view axis; negative = no sample
    float *normal = nullptr;   // Buff3: unit normal, three floats per pixel
    uint8_t *color = nullptr;  // Buff4: line colour, three bytes per pixel, 0..255
    float *density = nullptr;  // Buff5: line density, 1.0 = opaque

    size_t cellCount() const { return static_cast<size_t>(gridWidth) * static_cast<size_t>(gridHeight); }
    // Pixel (col, row) lies at row x grid width + col of every buffer.
    size_t index(int col, int row) const {
        return static_cast<size_t>(row) * static_cast<size_t>(gridWidth) + static_cast<size_t>(col);
    }
    bool inside(int col, int row) const {
        return col >= 0 && row >= 0 && col < gridWidth && row < gridHeight;
    }
};

inline LineStoreView viewOf(const LineStoreHeader &h) {
    return LineStoreView{h.gridWidth, h.gridHeight, h.buff1, h.buff2, h.buff3, h.buff4, h.buff5};
}

}  // namespace qr
