// The store lock: one critical section that guards creating and clearing the
// sample store of either edition. Cells and header flags are read and written
// without it, ordered by the host's frame sequence.
#pragma once

#include "module_base/critical_section.h"
#include "module_base/module_object_slot.h"

namespace qr {

// The lock is the first of the module-wide objects; the module frame binds it here.
ModuleObjectSlot<CriticalSection> &storeLockSlot() noexcept;

inline CriticalSection &storeLock() noexcept { return *storeLockSlot(); }

}  // namespace qr
