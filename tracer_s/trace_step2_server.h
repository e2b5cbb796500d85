// What the module's activation installs for TraceStep2 (stroke edition).
#pragma once

#include "module_base/server_callbacks.h"

namespace qr {

// TraceStep2's callback set; every entry is guarded, and a process cut short
// copies the frame through unchanged.
const ImageFilterCallbacks &traceStep2Callbacks();

}  // namespace qr
