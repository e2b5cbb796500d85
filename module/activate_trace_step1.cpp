// TraceStep1's handler and interface servers (stroke edition).
#include "module/activation.h"
#include "module/handler_filling.h"
#include "tracer_s/trace_step1_server.h"

namespace qr {

int activateTraceStep1Handler(int version, GlobalFunc *global, void *local, void *) {
    if (version != HANDLER_VERSION || !local) return AFUNC_BADVERSION;
    beginActivation(global);
    fillRenderingHandler(*static_cast<PixelFilterHandler *>(local), traceStep1Callbacks());
    return AFUNC_OK;
}

int activateTraceStep1Interface(int version, GlobalFunc *global, void *local, void *) {
    return activatePanelInterface(version, global, local, buildTraceStep1Panel);
}

}  // namespace qr
