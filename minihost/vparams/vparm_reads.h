// What a variant parameter's value is made of at one time (its channels'
// values, envelopes evaluated, and its texture), read for the render
// threads. Every shaded sample asks for it, often for the same few
// parameters at the same time: each thread keeps what it last read of a
// parameter with the registry's generation at that read, and answers from
// it, with no lock and no search, while the generation stays the same. Any
// change in the registry (a value set from a panel, an envelope key, a load,
// a parameter destroyed) bumps the generation, so the next read after it
// reads the registry again.
#pragma once

#include "host/host_types.h"
#include "minihost/vparams/channel_registry.h"

namespace minihost::vparams {

struct VparmReading {
    bool live = false;  // false: the handle names no parameter
    int channels = 0;
    double values[kMaxVparmChannels] = {0, 0, 0};
    TextureID texture = nullptr;
};

// The reading of `vp` at `time`: exactly what reading the registry under its
// lock would give now.
const VparmReading &readVparm(VParmID vp, double time);

}  // namespace minihost::vparams
