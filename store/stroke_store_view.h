// A plain view of the stroke edition's sample store: the grid size and the six
// buffers by what they hold. The edge shader records through it; the pass, the
// edge grading and the stamps work on it, so white-box tests can build a store
// of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/stroke_store.h"

namespace qr {

struct StrokeStoreView {
    int gridWidth = 0;
    int gridHeight = 0;
    int oversampling = 0;          // b, cells per pixel along each axis
    uint8_t *marks = nullptr;      // Buff1: bit 0 is the isolated mark
    float *depth = nullptr;        // Buff2: ray distance; negative = no hit
    float *normal = nullptr;       // Buff3: unit normal, three floats per cell
    uint8_t *lineColor = nullptr;  // Buff4: line colour, three bytes per cell, 0..255
    float *boost = nullptr;        // Buff5: line width boost
    void **shader = nullptr;       // Buff6: the edge-shader instance that recorded the cell, or null

    size_t cellCount() const { return static_cast<size_t>(gridWidth) * static_cast<size_t>(gridHeight); }
    // Cell (col, row) lies at row x grid width + col of every buffer.
    size_t index(int col, int row) const {
        return static_cast<size_t>(row) * static_cast<size_t>(gridWidth) + static_cast<size_t>(col);
    }
    bool inside(int col, int row) const {
        return col >= 0 && row >= 0 && col < gridWidth && row < gridHeight;
    }
    bool isolated(size_t i) const { return (marks[i] & kIsolatedMark) != 0; }
    // A usable view: a positive grid and factor and every buffer present.
    bool valid() const {
        return gridWidth > 0 && gridHeight > 0 && oversampling > 0 && marks && depth && normal && lineColor &&
               boost && shader;
    }
};

// The view of a store header's grid and buffers.
StrokeStoreView viewOf(const StrokeStoreHeader &header);

}  // namespace qr
