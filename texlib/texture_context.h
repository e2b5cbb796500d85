// The module's shared texture context: one host texture context carrying the
// extra gradient inputs, handed to every textured variant parameter. Created
// on first use, destroyed when the module unloads.
#pragma once

#include "host/host_types.h"

namespace qr {

// The context, created on the first call that finds "Texture Functions 3";
// null while the host offers no such service (a later call tries again).
TxtrContextID sharedTextureContext();

}  // namespace qr
