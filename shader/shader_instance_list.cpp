#include "shader/shader_instance_list.h"

#include <algorithm>

#include "module/module_objects.h"

namespace qr {

namespace {
ShaderInstanceList &list() { return moduleObjects().shaderInstances; }
}  // namespace

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
