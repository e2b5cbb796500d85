// The process's peak resident memory, for the run report: reset at the start
// of each frame where the system allows it, so that each frame gets its own
// peak.
#pragma once

#include <cstddef>

namespace minihost {

// Starts a new peak (Linux: /proc/self/clear_refs); false where the system
// does not allow it, and the peak then goes on from the process's start.
bool resetPeakMemory();

// The peak resident memory in bytes since the last reset (or the start); 0
// when the system does not say.
std::size_t peakMemoryBytes();

}  // namespace minihost
