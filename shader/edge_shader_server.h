// What the module's activation installs for the edge shader, both editions.
#pragma once

#include "module_base/server_callbacks.h"

namespace qr {

// The edge shader's callback set, with the edition's evaluate; every entry
// is guarded.
const ShaderCallbacks &shaderCallbacks();

}  // namespace qr
