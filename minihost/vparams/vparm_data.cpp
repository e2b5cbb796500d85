#include "minihost/vparams/vparm_data.h"

#include <cmath>

#include "minihost/vparams/envelope_data.h"

namespace minihost::vparams {

void writeVparmData(const SaveState *ss, const VparmData &data) {
    if (!ss) return;
    writeInt(ss, data.textured ? kTexturedVparmFormat : kVparmFormat);
    writeInt(ss, data.valueType);
    writeInt(ss, data.channelCount);
    for (int i = 0; i < data.channelCount && i < 3; ++i) {
        writeDouble(ss, data.values[i]);
        writeInt(ss, data.hasEnvelope[i] ? 1 : 0);
    }
}

bool readVparmData(const LoadState *ls, VparmData &data) {
    VparmData read;
    int32_t format = 0, count = 0;
    if (!readInt(ls, format) || (format != kVparmFormat && format != kTexturedVparmFormat)) return false;
    read.textured = format == kTexturedVparmFormat;
    if (!readInt(ls, read.valueType) || !readInt(ls, count)) return false;
    if (count < 1 || count > 3) return false;
    read.channelCount = count;
    for (int i = 0; i < count; ++i) {
        int32_t flag = 0;
        if (!readDouble(ls, read.values[i]) || !std::isfinite(read.values[i])) return false;
        if (!readInt(ls, flag)) return false;
        read.hasEnvelope[i] = flag != 0;
    }
    data = read;
    return true;
}

}  // namespace minihost::vparams
