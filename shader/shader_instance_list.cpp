#include "shader/shader_instance_list.h"

#include <algorithm>
#include <bitset>

#include "shader/edge_line_settings.h"

namespace qr {

namespace {
constinit ModuleObjectSlot<ShaderInstanceList> slot;
ShaderInstanceList &list() { return *slot; }
}  // namespace

ModuleObjectSlot<ShaderInstanceList> &shaderInstanceListSlot() noexcept { return slot; }

bool addShaderInstance(void *inst) noexcept {
    ShaderInstanceList &l = list();
    CriticalSectionGuard guard(l.lock);
    try {
        l.instances.push_back(inst);
        return true;
    } catch (...) {
        return false;
    }
}

void removeShaderInstance(void *inst) noexcept {
    ShaderInstanceList &l = list();
    CriticalSectionGuard guard(l.lock);
    auto it = std::find(l.instances.begin(), l.instances.end(), inst);
    if (it != l.instances.end()) l.instances.erase(it);
}

std::vector<void *> shaderInstancesSnapshot() {
    ShaderInstanceList &l = list();
    CriticalSectionGuard guard(l.lock);
    return l.instances;
}

int32_t unusedMaterialId(const void *self) noexcept {
    // One pass marks what the others use; the first unmarked identifier is
    // the one a search from 1 upwards would stop at.
    std::bitset<kMaxMaterialId + 1> used;
    {
        ShaderInstanceList &l = list();
        CriticalSectionGuard guard(l.lock);
        for (const void *inst : l.instances) {
            if (inst == self || !inst) continue;
            const int32_t id = edgeLineSettingsOf(inst)->mat_id;
            if (id >= 1 && id <= kMaxMaterialId) used.set(static_cast<std::size_t>(id));
        }
    }
    for (int32_t id = 1; id <= kMaxMaterialId; ++id)
        if (!used.test(static_cast<std::size_t>(id))) return id;
    return 0;
}

}  // namespace qr
