// What the module's activations install or run for the line tracer.
#pragma once

#include "host/module_descriptor.h"
#include "module_base/server_callbacks.h"

namespace qr {

// The line tracer's callback set; every entry is guarded.
const PixelFilterCallbacks &lineTracerCallbacks();

// The settings dialog, run inside the interface activation with the lookup
// that activation received.
void runLineTracerDialog(GlobalFunc *global, Instance inst);

}  // namespace qr
