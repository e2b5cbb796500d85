// Stand-ins for the shader panel and the shader utility until shader/ and
// shaderutil/ provide them; delete this folder then.
#pragma once

#include "host/handler.h"
#include "host/module_descriptor.h"
#include "host/xpanel.h"

namespace qr {

// The shader's panel for an instance, or null.
XPanelID buildShaderPanel(Instance inst);
// Runs after the activation has acquired the services; `generic` is the
// host's command record (may be null).
void runShaderUtility(GlobalFunc *global, LayoutGeneric *generic);

}  // namespace qr
