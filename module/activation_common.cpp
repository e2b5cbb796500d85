// Startup, shutdown and the steps every activation shares.
#include "module/activation.h"
#include "module/handler_filling.h"
#include "module_base/module_state.h"

namespace qr {

int moduleStartup() { return 4; }

void moduleShutdown() {}

int refuseActivation(int, GlobalFunc *, void *, void *) noexcept { return AFUNC_BADVERSION; }

const ItemID *useNoItems(Instance) { return nullptr; }

void ignoreItemIdChange(Instance, const ItemID *) {}

void beginActivation(GlobalFunc *global) { acquireServices(global); }

int activatePanelInterface(int version, GlobalFunc *global, void *local, XPanelID (*build)(Instance inst)) {
    if (version != INTERFACE_VERSION || !local) return AFUNC_BADVERSION;
    auto *record = static_cast<InterfaceRecord *>(local);
    // The panel is built whether or not the host has the service; the builder
    // decides what to do without it.
    moduleState().panelService = global ? static_cast<XPanelFuncs *>(global(SERVICE_XPANEL, 0)) : nullptr;
    record->panel = build(record->inst);
    record->options = nullptr;
    record->command = nullptr;
    return AFUNC_OK;
}

}  // namespace qr
