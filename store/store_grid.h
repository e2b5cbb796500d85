// Grid sizes of the sample stores, checked before any block is sized.
#pragma once

#include <cstddef>

namespace qr {

// Cells a store may hold: every index fits a signed 32-bit integer and every
// buffer size fits size_t.
inline constexpr std::size_t kMaxStoreCells = 0x7FFFFFFF;

struct StoreGrid {
    int width = 0;
    int height = 0;
    std::size_t cells = 0;
};

enum class GridCheck { Ok, Empty, TooLarge };

// The grid of `oversampling` cells per pixel along each axis over a frame.
GridCheck storeGridFor(int oversampling, int frameWidth, int frameHeight, StoreGrid &grid);

}  // namespace qr
