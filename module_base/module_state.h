// Module-wide variables: one set per loaded module, all null or zero at load.
//
// Activation writes the global lookup, the service table and the panel service
// with the same values every time; render callbacks only read them, so they
// take no lock. The frame time, the current tracer, the applying flag and the
// preset path are also plain variables, ordered by the host's call sequence.
#pragma once

#include "host/module_descriptor.h"
#include "host/xpanel.h"
#include "module_base/service_table.h"

namespace qr {

inline constexpr int kPresetPathSize = 260;

struct ModuleState {
    GlobalFunc *global;  // the lookup of the latest handler or generic activation
    ServiceTable services;
    XPanelFuncs *panelService;  // "LWXPanel", from the latest panel-building activation
    double frameTime;           // written by every new-time
    // The tracer instance whose tolerances "Get global settings" copies: a
    // TraceStep1 instance in the stroke edition, a LineTracer in the line edition.
    void *currentTracer;
    bool applying;                     // set while the shader utility adds shaders
    char presetPath[kPresetPathSize];  // NUL-terminated; empty: no preset
};

ModuleState &moduleState();

inline ServiceTable &services() { return moduleState().services; }

// Stores the lookup and fills the service table with the edition's list,
// asking the host once per name with mode 0. A null lookup leaves every
// service null.
void acquireServices(GlobalFunc *global);

}  // namespace qr
