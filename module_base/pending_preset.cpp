#include "module_base/pending_preset.h"

#include <cstring>

namespace qr {

namespace {
constinit PendingPreset slot;
}  // namespace

bool PendingPreset::setPath(const char *path) noexcept {
    clearPath();
    if (!path) return true;
    const size_t length = strnlen(path, kPathSize);
    if (length >= static_cast<size_t>(kPathSize)) return false;
    std::memcpy(path_, path, length + 1);
    return true;
}

PendingPreset &pendingPreset() noexcept { return slot; }

}  // namespace qr
