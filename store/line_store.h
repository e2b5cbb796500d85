// The line edition's sample store: the header block "QM's Quillrim_P STINFO"
// and five buffers with one cell per pixel of the frame.
//
// The blocks live in the host's render memory and are found again by name.
// The store is usable only when the header and all five buffers exist: no
// function here returns a header with a missing buffer, so no caller can write
// through one. Cells are reached through the store's view (line_store_view.h). A store whose creation failed
// half-way stays unusable until the host discards the blocks (the line edition shows no messages).
#pragma once

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

// The complete store, found by name; null when there is none (or no render
// memory), or when a buffer of it is missing.
LineStoreHeader *findLineStore();
// The complete store, created at the frame size the scene information reports
// when there is none yet; null when it cannot be had (no render memory or
// scene information, an empty or oversized frame, a buffer missing).
LineStoreHeader *findOrCreateLineStore();

// Resets every cell of a usable store, creating it first if there is none.
void clearLineStore();

}  // namespace qr
