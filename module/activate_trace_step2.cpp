// TraceStep2's handler server (stroke edition): an image filter, so no render
// operations, and process instead of evaluate.
#include "module/activation.h"
#include "module/handler_filling.h"
#include "tracer_s/trace_step2_server.h"

namespace qr {

int activateTraceStep2Handler(int version, GlobalFunc *global, void *local, void *) {
    if (version != HANDLER_VERSION || !local) return AFUNC_BADVERSION;
    beginActivation(global);
    auto &handler = *static_cast<ImageFilterHandler *>(local);
    const ImageFilterCallbacks &cb = traceStep2Callbacks();
    fillInstanceFuncs(handler.inst, cb.instance);
    fillItemFuncs(handler.item);
    handler.process = cb.process;
    handler.flags = cb.flags;
    return AFUNC_OK;
}

}  // namespace qr
