// The line edition's servers, in the order the host lists them.
#include "module/activation.h"
#include "module/server_tables.h"
#include "module_base/callback_guard.h"
#include "module_base/server_names.h"

namespace qr {

const ServerRecord kLineServers[] = {
    {CLASS_SHADER_HANDLER, kLineShaderServer, guarded<activateShaderHandler, refuseActivation>, nullptr},
    {CLASS_SHADER_INTERFACE, kLineShaderServer, guarded<activateShaderInterface, refuseActivation>, nullptr},
    {CLASS_PIXEL_FILTER_HANDLER, kLineTracerServer, guarded<activateLineTracerHandler, refuseActivation>,
     nullptr},
    {CLASS_PIXEL_FILTER_INTERFACE, kLineTracerServer, guarded<activateLineTracerInterface, refuseActivation>,
     nullptr},
    {CLASS_LAYOUT_GENERIC, kLineShaderUtilServer, guarded<activateShaderUtil, refuseActivation>, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace qr
