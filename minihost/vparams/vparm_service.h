// "LWVParmFuncs 2": variant parameters with a constant value per channel, an
// optional envelope per channel, and an optional texture laid over the
// value wherever it is evaluated at a spot.
//
// Channels: the colour type (0x51) has three, red, green and blue, named
// "<name>.R", "<name>.G", "<name>.B" by setup; every other value type has
// one, named "<name>". getVal gives each channel's envelope value where it
// has one, else its constant; it may run on many threads at once, and reads
// the registry without its lock while nothing changed (vparm_reads.h).
//
// save writes the record of vparm_data.h; load reads it and then gives every
// channel flagged as animated an envelope (starting at the channel's value)
// and takes the envelope away from an unflagged one, so that the envelope
// data which follows can be loaded into the envelopes getEnv reports.
// setState without the envelope bit removes the envelopes; with it, every
// channel that has none gets one holding its value.
//
// Textures are made, saved, loaded, copied, evaluated and destroyed through
// the texture service given to useVparmTextures (minihost's own "Texture
// Functions 3"); without one, parameters take no texture. A parameter's
// texture is made when its saved data says it is textured or when setState
// sets the texture bit (a parameter created with texture type -1 never gets
// one); the parameter's event callback then receives TXEVENT_ENVGROUP. Its
// saved data then carries the texture's own data.
#pragma once

#include "host/variant_params.h"

namespace minihost {

VParmFuncs *vparmFuncsRecord();

void useVparmTextures(const TextureFuncs *funcs);

}  // namespace minihost
