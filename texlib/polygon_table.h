// What a shader works out once per polygon and needs again for every sample
// on it (a normalised normal, a dominant axis), kept per thread in a small
// table indexed by the polygon's handle. Samples of a frame come back to the
// same few polygons row after row, so a table holds them where a single
// "last one" would have lost them. An entry is used only when the inputs it
// was worked out from are bit for bit the caller's: an answer from the table
// is always the one the computation gives.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qr {

template <typename Entry>
struct PolygonTable {
    static constexpr std::size_t kSlots = 64;
    Entry entries[kSlots]{};

    Entry &slotFor(const void *polygon) noexcept {
        // Fibonacci hashing: handles that are small consecutive numbers
        // spread over the whole table.
        const uint64_t h =
            static_cast<uint64_t>(reinterpret_cast<uintptr_t>(polygon)) * 0x9E3779B97F4A7C15ull;
        return entries[h >> 58];
    }
};

}  // namespace qr
