// The saved form of a variant parameter's own data (what the parameter's
// save writes and its load reads; the envelopes follow in blocks of the
// module's choosing, each with the record of envelope_data.h):
//   I4 format version: 1 untextured, 2 textured
//   I4 value type
//   I4 number of channels (1 to 3)
//   per channel: 8 bytes constant value (IEEE double, most significant byte
//                first), I4 1 when the channel has an envelope, else 0
// and, in format 2, the texture's own data (textures/texture_data.h) right
// after.
#pragma once

#include <cstdint>

#include "host/io_state.h"

namespace minihost::vparams {

constexpr int32_t kVparmFormat = 1;
constexpr int32_t kTexturedVparmFormat = 2;

struct VparmData {
    int32_t valueType = 0;
    int channelCount = 1;
    double values[3] = {0, 0, 0};
    bool hasEnvelope[3] = {false, false, false};
    bool textured = false;  // the texture's data follows
};

void writeVparmData(const SaveState *ss, const VparmData &data);
// False, with `data` unchanged, for a null state, another format, a channel
// count outside 1 to 3, non-finite values or a record cut short.
bool readVparmData(const LoadState *ls, VparmData &data);

}  // namespace minihost::vparams
