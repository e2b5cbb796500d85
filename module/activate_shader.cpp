// The edge shader's handler and interface servers (both editions).
#include "module/activation.h"
#include "module/handler_filling.h"
#include "shader/edge_shader_panel.h"
#include "shader/edge_shader_server.h"

namespace qr {

int activateShaderHandler(int version, GlobalFunc *global, void *local, void *) {
    if (version != HANDLER_VERSION || !local) return AFUNC_BADVERSION;
    beginActivation(global);
    fillRenderingHandler(*static_cast<ShaderHandler *>(local), shaderCallbacks());
    return AFUNC_OK;
}

int activateShaderInterface(int version, GlobalFunc *global, void *local, void *) {
    return activatePanelInterface(version, global, local, buildShaderPanel);
}

}  // namespace qr
