// Copies a server's callback set into the host's handler record.
#pragma once

#include "host/xpanel.h"
#include "module/activation.h"
#include "module_base/callback_guard.h"
#include "module_base/server_callbacks.h"

namespace qr {

inline void fillInstanceFuncs(InstanceFuncs *slots, const InstanceCallbacks &cb) {
    if (!slots) return;
    // slots->priv is the host's and stays as it is.
    slots->create = cb.create;
    slots->destroy = cb.destroy;
    slots->copy = cb.copy;
    slots->load = cb.load;
    slots->save = cb.save;
    slots->describe = cb.describe;
}

inline void fillItemFuncs(ItemFuncs *slots) {
    if (!slots) return;  // the host may pass no item record
    slots->useItems = guarded<useNoItems>;
    slots->changeID = guarded<ignoreItemIdChange>;
}

inline void fillRenderFuncs(RenderFuncs *slots, const RenderCallbacks &cb) {
    if (!slots) return;
    slots->init = cb.init;
    slots->cleanup = cb.cleanup;
    slots->newTime = cb.newTime;
}

// Shader and pixel-filter handlers share one shape: instance, item and render
// operations, then evaluate and flags.
template <typename Handler, typename Callbacks>
void fillRenderingHandler(Handler &handler, const Callbacks &cb) {
    fillInstanceFuncs(handler.inst, cb.instance);
    fillItemFuncs(handler.item);
    fillRenderFuncs(handler.rend, cb.render);
    handler.evaluate = cb.evaluate;
    handler.flags = cb.flags;
}

// Steps shared by every handler activation and the generic one: keep the
// lookup and acquire the services.
void beginActivation(GlobalFunc *global);

// An interface activation that builds an "LWXPanel" panel for the record's
// instance. The panel service is looked up with this call's lookup.
int activatePanelInterface(int version, GlobalFunc *global, void *local, XPanelID (*build)(Instance inst));

}  // namespace qr
