/* The host contract must stay plain C: this file only has to compile. */
#include "host/host.h"

size_t host_contract_record_sizes(void);

size_t host_contract_record_sizes(void) {
    return sizeof(ModuleDescriptor) + sizeof(ShaderHandler) + sizeof(ShaderAccess) + sizeof(PixelAccess) +
           sizeof(FilterAccess) + sizeof(LoadState) + sizeof(SaveState) + sizeof(TexturedSpot) +
           sizeof(XPanelHint) + sizeof(PanelServices) + sizeof(VParmFuncs);
}
