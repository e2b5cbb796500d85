// The line tracer's handler and interface servers (line edition).
#include "module/activation.h"
#include "module/handler_filling.h"
#include "tracer_p/line_tracer_server.h"

namespace qr {

int activateLineTracerHandler(int version, GlobalFunc *global, void *local, void *) {
    if (version != HANDLER_VERSION || !local) return AFUNC_BADVERSION;
    beginActivation(global);
    fillRenderingHandler(*static_cast<PixelFilterHandler *>(local), lineTracerCallbacks());
    return AFUNC_OK;
}

// No panel to hand back: the settings dialog runs inside this call. The panel
// and callback slots are cleared so the host finds nothing to show or call.
int activateLineTracerInterface(int version, GlobalFunc *global, void *local, void *) {
    if (version != INTERFACE_VERSION || !local) return AFUNC_BADVERSION;
    auto *record = static_cast<InterfaceRecord *>(local);
    record->panel = nullptr;
    record->options = nullptr;
    record->command = nullptr;
    runLineTracerDialog(global, record->inst);
    return AFUNC_OK;
}

}  // namespace qr
