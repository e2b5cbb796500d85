// The host services of the variant parameters, fetched once per module the
// first time a Vparam is constructed.
#pragma once

#include "host/textures.h"
#include "host/variant_params.h"

namespace qr {

struct VparamServices {
    VParmFuncs *vparm;         // "LWVParmFuncs 2"
    EnvelopeFuncs *envelopes;  // "Animation Envelopes"
    TextureFuncs *textures;    // "Texture Functions 3"
    ChannelInfo *channels;     // "Channel Info 2" (held, not used)
};

// Fetches all four through the module's stored lookup unless one of the
// first three is held.
void acquireVparamServices();
const VparamServices &vparamServices() noexcept;
// Tests: forget them.
void resetVparamServicesForTests() noexcept;

}  // namespace qr
