// The stroke edition's sample store: the header block "QM's Quillrim_S STINFO"
// and six buffers over an oversampled grid of b x b cells per pixel, plus the
// PixelData block through which TraceStep2 finds TraceStep1.
//
// All blocks live in the host's render memory ("Global Render Memory") and are
// found again by name; the module never frees or resizes them. The store lock
// guards creation and clearing only: cells and flags are read and written
// without it, ordered by the host's frame sequence. Cells are reached through
// the store's view (stroke_store_view.h).
#pragma once

#include <cstdint>

namespace qr {

// Field order is the block's layout.
struct StrokeStoreHeader {
    int32_t failed;         // non-zero: a buffer could not be had or the tracer gave up; never cleared
    int32_t passDone;       // 1 once the oversampled pass of the frame has finished
    int32_t passRunning;    // 1 while the pass runs; the edge shader records only then
    int32_t currentColumn;  // the cell being shaded; meaningful only while passRunning
    int32_t currentRow;
    int32_t gridWidth;     // b x frame width at creation
    int32_t gridHeight;    // b x frame height at creation
    int32_t oversampling;  // b, cells per pixel along each axis
    uint8_t *buff1;        // per cell: edge marks, bit 0 = isolated
    float *buff2;          // per cell: ray distance, negative = no hit
    float *buff3;          // per cell: unit normal x, y, z
    uint8_t *buff4;        // per cell: line colour red, green, blue, 0..255
    float *buff5;          // per cell: line width boost
    void **buff6;          // per cell: the edge-shader instance that recorded it, or null
};

inline constexpr uint8_t kIsolatedMark = 1;

// The message sent through "Info Messages 2" when a buffer cannot be had.
inline constexpr char kTemporaryBufferMessage[] = "Not enough memory for temporary buffer.";

// The header, found by name, or null when there is none (or no render memory).
StrokeStoreHeader *findStrokeStore();
// The header; when there is none yet, a new store for oversampling factor b
// and the frame size the scene information reports. A store whose buffers
// could not all be created is returned with its failure flag set (after one
// message). Null when there is no header and none can be made (no render
// memory or scene information), or the grid would be empty (b, width or
// height below 1).
StrokeStoreHeader *findOrCreateStrokeStore(int oversampling);

// Resets every cell and the pass flags of a usable store (creating it first
// with factor b if there is none). The grid, b and the failure flag stay.
void clearStrokeStore(int oversampling);

// The PixelData block: TraceStep1 stores its instance, TraceStep2 reads it.
void writeTracerPointer(void *instance);
void *readTracerPointer();

}  // namespace qr
