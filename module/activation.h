// The module's entry points: startup, shutdown and every server's activation.
//
// Each activation checks the interface version first and returns
// AFUNC_BADVERSION without touching the record when it differs (or when the
// host passes no record at all). The descriptor and the server tables install
// them guarded (module_base/callback_guard.h).
#pragma once

#include "host/handler.h"
#include "host/module_descriptor.h"

namespace qr {

int moduleStartup();  // returns 4: the module is usable
void moduleShutdown();

int activateShaderHandler(int version, GlobalFunc *global, void *local, void *serverData);
int activateShaderInterface(int version, GlobalFunc *global, void *local, void *serverData);
int activateTraceStep1Handler(int version, GlobalFunc *global, void *local, void *serverData);
int activateTraceStep1Interface(int version, GlobalFunc *global, void *local, void *serverData);
int activateTraceStep2Handler(int version, GlobalFunc *global, void *local, void *serverData);
int activateLineTracerHandler(int version, GlobalFunc *global, void *local, void *serverData);
int activateLineTracerInterface(int version, GlobalFunc *global, void *local, void *serverData);
int activateShaderUtil(int version, GlobalFunc *global, void *local, void *serverData);

// The fallback of an activation cut short by an exception: the server is
// refused, with the only refusal the host knows.
int refuseActivation(int version, GlobalFunc *global, void *local, void *serverData) noexcept;

// The item operations every handler of a module installs: no scene items are
// used, identifier changes are ignored.
const ItemID *useNoItems(Instance inst);
void ignoreItemIdChange(Instance inst, const ItemID *ids);

}  // namespace qr
