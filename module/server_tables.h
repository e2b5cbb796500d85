// The descriptors' server tables, one per edition, each ended by an all-null
// record. Every activation in them is guarded.
#pragma once

#include "host/module_descriptor.h"

namespace qr {

extern const ServerRecord kStrokeServers[];  // QM_Quillrim_S: six servers
extern const ServerRecord kLineServers[];    // QM_Quillrim_P: five servers

}  // namespace qr
