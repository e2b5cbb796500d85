// The stroke edition's servers, in the order the host lists them.
#include "module/activation.h"
#include "module/server_tables.h"
#include "module_base/callback_guard.h"
#include "module_base/server_names.h"

namespace qr {

const ServerRecord kStrokeServers[] = {
    {CLASS_SHADER_HANDLER, kStrokeShaderServer, guarded<activateShaderHandler, refuseActivation>, nullptr},
    {CLASS_SHADER_INTERFACE, kStrokeShaderServer, guarded<activateShaderInterface, refuseActivation>,
     nullptr},
    {CLASS_PIXEL_FILTER_HANDLER, kTraceStep1Server, guarded<activateTraceStep1Handler, refuseActivation>,
     nullptr},
    {CLASS_PIXEL_FILTER_INTERFACE, kTraceStep1Server, guarded<activateTraceStep1Interface, refuseActivation>,
     nullptr},
    {CLASS_IMAGE_FILTER_HANDLER, kTraceStep2Server, guarded<activateTraceStep2Handler, refuseActivation>,
     nullptr},
    {CLASS_LAYOUT_GENERIC, kStrokeShaderUtilServer, guarded<activateShaderUtil, refuseActivation>, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace qr
