// "LWVParmFuncs 2": variant parameters with a constant value per channel and
// an optional envelope per channel. minihost offers no textures: getTex gives
// null and the texture state bit is never set.
//
// Channels: the colour type (0x51) has three, red, green and blue, named
// "<name>.R", "<name>.G", "<name>.B" by setup; every other value type has
// one, named "<name>". getVal gives each channel's envelope value where it
// has one, else its constant; it may run on many threads at once.
//
// save writes the record of vparm_data.h; load reads it and then gives every
// channel flagged as animated an envelope (starting at the channel's value)
// and takes the envelope away from an unflagged one, so that the envelope
// data which follows can be loaded into the envelopes getEnv reports.
// setState without the envelope bit removes the envelopes; with it, every
// channel that has none gets one holding its value.
#pragma once

#include "host/variant_params.h"

namespace minihost {

VParmFuncs *vparmFuncsRecord();

}  // namespace minihost
