// The module-wide list of live edge-shader instances, in creation order, with
// its own lock. Create appends, destroy removes, "Find unused ID" reads it.
#pragma once

#include <cstdint>
#include <vector>

#include "module_base/critical_section.h"
#include "module_base/module_object_slot.h"

namespace qr {

struct ShaderInstanceList {
    CriticalSection lock;
    std::vector<void *> instances;
};

// The list is the second of the module-wide objects; the module frame binds it here.
ModuleObjectSlot<ShaderInstanceList> &shaderInstanceListSlot() noexcept;

// Under the list's lock. add reports false when memory is short (the
// instance is then not listed).
bool addShaderInstance(void *inst) noexcept;
// Removes the first entry equal to inst; the later ones move up.
void removeShaderInstance(void *inst) noexcept;
// A copy of the list, taken under the lock.
std::vector<void *> shaderInstancesSnapshot();

// The material identifiers "Find unused ID" chooses from.
inline constexpr int32_t kMaxMaterialId = 4096;

// The smallest identifier from 1 to kMaxMaterialId that no listed instance
// other than `self` uses (self's own identifier plays no part); 0 when every
// one is taken. Reads the list under its lock.
int32_t unusedMaterialId(const void *self) noexcept;

}  // namespace qr
