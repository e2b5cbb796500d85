#include "store/store_grid.h"

#include <cstdint>

namespace qr {

GridCheck storeGridFor(int oversampling, int frameWidth, int frameHeight, StoreGrid &grid) {
    if (oversampling < 1 || frameWidth < 1 || frameHeight < 1) return GridCheck::Empty;
    const int64_t width = int64_t{oversampling} * frameWidth;
    const int64_t height = int64_t{oversampling} * frameHeight;
    if (width > INT32_MAX || height > INT32_MAX) return GridCheck::TooLarge;
    // Both below 2^31, so the product fits 64 bits.
    const uint64_t cells = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (cells > kMaxStoreCells) return GridCheck::TooLarge;
    grid.width = static_cast<int>(width);
    grid.height = static_cast<int>(height);
    grid.cells = static_cast<std::size_t>(cells);
    return GridCheck::Ok;
}

}  // namespace qr
