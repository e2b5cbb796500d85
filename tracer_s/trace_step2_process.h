// TraceStep2's process: grade the store's edges, paint brush stamps into a draw
// buffer and composite it over the frame (or over white).
#pragma once

#include <cstddef>

#include "host/access.h"

namespace qr::tracer_s {

// The message shown, once, when the draw buffer cannot be had.
inline constexpr char kDrawBufferMessage[] = "Not enough memory for draw buffer.";

// One frame. Without a TraceStep1 instance, a store, or with the store's
// failure flag set, the frame is copied through unchanged; when the working
// memory (the draw buffer, from the heap without throwing) cannot be had the
// failure flag is set (after the message) and the frame is copied through.
void processFrame(const FilterAccess *fa);

}  // namespace qr::tracer_s
