// The line edition's sample store: the header block "QM's Quillrim_P STINFO"
// and five buffers with one cell per pixel of the frame.
//
// The blocks live in the host's render memory and are found again by name.
// The store is usable only when the header and all five buffers exist:
// get-or-create never returns a header with a missing buffer, so no caller can
// write through one. A store whose creation failed half-way stays unusable
// until the host discards the blocks (the line edition shows no messages).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qr {

// Field order is the block's layout.
struct LineStoreHeader {
    int32_t gridWidth;   // the frame width at creation
    int32_t gridHeight;  // the frame height at creation
    void **buff1;        // per pixel: the edge-shader instance that recorded it, or null
    float *buff2;        // per pixel: depth along the view axis, negative = no sample
    float *buff3;        // per pixel: unit normal x, y, z
    uint8_t *buff4;      // per pixel: line colour red, green, blue, 0..255
    float *buff5;        // per pixel: line density, 1.0 = opaque
};

// The complete store, or null: no header and creation not allowed or not
// possible (no render memory or scene information, an empty or oversized
// frame), or a store with a buffer missing.
LineStoreHeader *getOrCreateLineStore(bool createAllowed);

// Resets every cell of a usable store, creating it first if there is none.
void clearLineStore();

inline bool cellInside(const LineStoreHeader &h, int col, int row) {
    return col >= 0 && row >= 0 && col < h.gridWidth && row < h.gridHeight;
}
inline std::size_t cellIndex(const LineStoreHeader &h, int col, int row) {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(h.gridWidth) +
           static_cast<std::size_t>(col);
}
inline std::size_t cellCount(const LineStoreHeader &h) {
    return static_cast<std::size_t>(h.gridWidth) * static_cast<std::size_t>(h.gridHeight);
}

}  // namespace qr
