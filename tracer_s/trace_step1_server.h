// What the module's activations install for TraceStep1 (stroke edition).
#pragma once

#include "host/xpanel.h"
#include "module_base/server_callbacks.h"

namespace qr {

// TraceStep1's callback set; every entry is guarded.
const PixelFilterCallbacks &traceStep1Callbacks();

// TraceStep1's panel for an instance, or null. Uses the panel service that
// the interface activation stored just before.
XPanelID buildTraceStep1Panel(Instance inst);

}  // namespace qr
