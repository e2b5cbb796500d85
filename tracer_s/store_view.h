// A plain view of the stroke edition's sample store: the grid size and the six
// buffers as typed pointers. The pass, the edge grading and the stamps work on
// this view, so white-box tests can build a store of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/stroke_store.h"

namespace qr::tracer_s {

struct StrokeStoreView {
    int gridWidth = 0;
    int gridHeight = 0;
    int factor = 0;              // b, cells per pixel along each axis
    uint8_t *marks = nullptr;    // Buff1: bit 0 is the isolated mark
    float *depth = nullptr;      // Buff2: ray distance; negative = no hit
    const float *normal = nullptr;      // Buff3: three floats per cell
    const uint8_t *lineColor = nullptr; // Buff4: three bytes per cell
    const float *boost = nullptr;       // Buff5: line width boost
    void *const *shader = nullptr;      // Buff6: recording shader or null

    size_t cellCount() const {
        return static_cast<size_t>(gridWidth) * static_cast<size_t>(gridHeight);
    }
    size_t index(int col, int row) const {
        return static_cast<size_t>(row) * static_cast<size_t>(gridWidth) + static_cast<size_t>(col);
    }
    bool inside(int col, int row) const {
        return col >= 0 && row >= 0 && col < gridWidth && row < gridHeight;
    }
    bool isolated(size_t i) const { return (marks[i] & qr::kIsolatedMark) != 0; }
    // A usable view: a positive grid and factor and every buffer present.
    bool valid() const {
        return gridWidth > 0 && gridHeight > 0 && factor > 0 && marks && depth && normal &&
               lineColor && boost && shader;
    }
};

// The view of a store header's grid and buffers.
StrokeStoreView viewOf(const qr::StrokeStoreHeader &header);

}  // namespace qr::tracer_s
