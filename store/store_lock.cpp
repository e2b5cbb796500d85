#include "store/store_lock.h"

namespace qr {

namespace {
constinit ModuleObjectSlot<CriticalSection> slot;
}  // namespace

ModuleObjectSlot<CriticalSection> &storeLockSlot() noexcept { return slot; }

}  // namespace qr
