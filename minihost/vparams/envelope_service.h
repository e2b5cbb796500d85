// "Animation Envelopes": envelopes with keys in named channel groups.
//
// create makes an envelope with its own channel (same name) in the group;
// destroy removes both. Keys interpolate linearly and hold their values
// outside; an envelope without keys gives its default value (0 for a new
// one, the parameter's value for a parameter's channel envelope). copy,
// createKey, load and save return 1 on success and 0 otherwise; a failed
// load leaves the envelope unchanged. save and load use the record of
// envelope_data.h in the state's current block.
#pragma once

#include "host/variant_params.h"

namespace minihost {

EnvelopeFuncs *envelopeFuncsRecord();

}  // namespace minihost
