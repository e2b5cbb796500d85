// The module-wide state that every part of a loaded module shares: the host's
// global lookup, the service table, the panel service and the frame time. One
// set per loaded module, all null or zero at load.
//
// Activation writes the lookup, the service table and the panel service with
// the same values every time; render callbacks only read them, so they take
// no lock. The frame time is written by each server's new-time call and read
// while the frame renders, ordered by the host's call sequence.
//
// Hand-offs between two subsystems have slots of their own:
// module_base/pending_preset.h and module_base/current_tracer.h.
#pragma once

#include "host/module_descriptor.h"
#include "host/xpanel.h"
#include "module_base/service_table.h"

namespace qr {

struct ModuleState {
    GlobalFunc *global;  // the lookup of the latest handler or generic activation
    ServiceTable services;
    XPanelFuncs *panelService;  // "LWXPanel", from the latest panel-building activation
    double frameTime;           // written by every new-time
};

// The whole record: for activation, which writes it, and for tests.
ModuleState &moduleState();

// The narrow views the subsystems use.
inline GlobalFunc *hostLookup() { return moduleState().global; }
inline ServiceTable &services() { return moduleState().services; }
inline const XPanelFuncs *panelService() { return moduleState().panelService; }
inline double frameTime() { return moduleState().frameTime; }
inline void setFrameTime(double time) { moduleState().frameTime = time; }

// Stores the lookup and fills the service table with the edition's list,
// asking the host once per name with mode 0. A null lookup leaves every
// service null.
void acquireServices(GlobalFunc *global);

}  // namespace qr
