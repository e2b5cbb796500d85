/* The host contract must stay plain C: this file only has to compile. */
#include "host/host.h"

size_t host_contract_record_sizes(void);

size_t host_contract_record_sizes(void) {
    return sizeof(ModuleDescriptor) + sizeof(ShaderHandler) + sizeof(ShaderAccess) + sizeof(PixelAccess) +
           sizeof(FilterAccess) + sizeof(LoadState) + sizeof(SaveState) + sizeof(TexturedSpot) +
           sizeof(XPanelHint) + sizeof(PanelServices) + sizeof(VParmFuncs);
}

/* The settings-block codes are constant expressions of C: they fill a static
 * table, as a C host's block tables would hold them. */
extern const BlockIdent host_contract_settings_blocks[];

const BlockIdent host_contract_settings_blocks[] = {
    {SETTINGS_PARAM_BLOCK, SETTINGS_PARAM_BLOCK_TOKEN},
    {SETTINGS_PARAM_ENTRY, SETTINGS_PARAM_ENTRY_TOKEN},
    {SETTINGS_VPARAM_BLOCK, SETTINGS_VPARAM_BLOCK_TOKEN},
    {SETTINGS_VPARAM_ENVELOPE, SETTINGS_VPARAM_ENVELOPE_TOKEN},
    {SETTINGS_TEXTURE_BLOCK, SETTINGS_TEXTURE_BLOCK_TOKEN},
    {SETTINGS_IMAGE_REF, SETTINGS_IMAGE_REF_TOKEN},
    {SETTINGS_IMAGE_VALUE, SETTINGS_IMAGE_VALUE_TOKEN},
    {SETTINGS_IMAGE_DATA, SETTINGS_IMAGE_DATA_TOKEN},
    {SETTINGS_IMAGE_ENVELOPE, SETTINGS_IMAGE_ENVELOPE_TOKEN},
    {SETTINGS_IMAGE_ENVELOPE, SETTINGS_IMAGE_ENVELOPE_DATA_TOKEN},
    {0, 0}};
