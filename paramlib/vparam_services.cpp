#include "paramlib/vparam_services.h"

#include "module_base/module_state.h"
#include "paramlib/vparam.h"

namespace qr {

namespace {
VparamServices gServices{};
}  // namespace

void acquireVparamServices() {
    GlobalFunc *global = hostLookup();
    if (gServices.vparm || gServices.envelopes || gServices.textures || !global) return;
    gServices.vparm = static_cast<VParmFuncs *>(global(SERVICE_VPARM_FUNCS, 0));
    gServices.envelopes = static_cast<EnvelopeFuncs *>(global(SERVICE_ENVELOPE_FUNCS, 0));
    gServices.textures = static_cast<TextureFuncs *>(global(SERVICE_TEXTURE_FUNCS, 0));
    gServices.channels = static_cast<ChannelInfo *>(global(SERVICE_CHANNEL_INFO, 0));
}

const VparamServices &vparamServices() noexcept { return gServices; }

void resetVparamServicesForTests() noexcept { gServices = {}; }

const VParmFuncs *vparamService() noexcept { return gServices.vparm; }

}  // namespace qr
