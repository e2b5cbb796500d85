// Placeholder for slot 4 of ModuleObjects until texlib/ provides the item
// snapshot: the snapshot lock, and no snapshot yet.
#pragma once

#include "module/critical_section.h"

namespace qr {

struct FrameSnapshotState {
    CriticalSection lock;
};

}  // namespace qr
