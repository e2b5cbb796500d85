// The shader utility's generic server (both editions): the whole command runs
// inside the activation call.
#include "module/activation.h"
#include "module/handler_filling.h"
#include "shaderutil/shader_utility.h"

namespace qr {

int activateShaderUtil(int version, GlobalFunc *global, void *local, void *) {
    if (version != GENERIC_VERSION) return AFUNC_BADVERSION;
    beginActivation(global);
    runShaderUtility(global, static_cast<LayoutGeneric *>(local));
    return AFUNC_OK;
}

}  // namespace qr
