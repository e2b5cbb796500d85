#include "shader/shader_instance_list.h"

#include <algorithm>

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

}  // namespace qr
