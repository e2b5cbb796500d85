// The module-wide objects created when the module is loaded, before the host
// calls the descriptor's functions, and destroyed in reverse order at unload.
//
// They are members of one record so that the order is the declaration order
// below and nothing else. A subsystem that owns a slot replaces its
// placeholder type: include the subsystem's header instead of the placeholder
// and delete the placeholder file; keep the slot where it is.
#pragma once

#include "module/critical_section.h"
#include "texlib/item_snapshot.h"
#include "module/placeholders/preset_requester_slot.h"
#include "shader/shader_instance_list.h"
#include "texlib/texture_support_tables.h"

namespace qr {

struct ModuleObjects {
    CriticalSection storeLock;             // 1. guards creating and clearing the sample store
    ShaderInstanceList shaderInstances;    // 2. live edge-shader instances, with their lock
    PresetRequesterState presetRequester;  // 3. the preset file requester
    FrameSnapshotState frameSnapshot;      // 4. the snapshot lock and the frame item snapshot
    TextureSupportTables textureTables;    // 5. the texture support's module-wide tables
};

ModuleObjects &moduleObjects();

inline CriticalSection &storeLock() { return moduleObjects().storeLock; }

}  // namespace qr
