// The module-wide objects, created when the module is loaded (before the host
// calls the descriptor's functions) and destroyed in the reverse order at
// unload.
//
// They are members of one record so that the order is the declaration order
// below and nothing else. Each object is bound to the slot of the subsystem
// that uses it once all exist, and unbound before any is destroyed.
#pragma once

#include "module_base/critical_section.h"
#include "paramlib/file_requester.h"
#include "shader/shader_instance_list.h"
#include "texlib/item_snapshot.h"
#include "texlib/texture_support_tables.h"

namespace qr {

struct ModuleObjects {
    CriticalSection storeLock;           // 1. guards creating and clearing the sample store
    ShaderInstanceList shaderInstances;  // 2. live edge-shader instances, with their lock
    FileRequester presetRequester;       // 3. the preset file requester
    FrameSnapshotState frameSnapshot;    // 4. the snapshot lock and the frame item snapshot
    TextureSupportTables textureTables;  // 5. the texture support's module-wide tables

    ModuleObjects() noexcept;
    ~ModuleObjects();
    ModuleObjects(const ModuleObjects &) = delete;
    ModuleObjects &operator=(const ModuleObjects &) = delete;
};

}  // namespace qr
