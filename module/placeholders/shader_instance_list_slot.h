// Placeholder for slot 2 of ModuleObjects until shader/ provides the edge
// shader's instance list: an empty list and its lock.
#pragma once

#include <vector>

#include "module/critical_section.h"

namespace qr {

struct ShaderInstanceList {
    CriticalSection lock;
    std::vector<void *> instances;
};

}  // namespace qr
