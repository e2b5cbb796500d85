#include "minihost/vparams/envelope_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace minihost::vparams {

double EnvelopeData::evaluate(double time) const {
    if (keys.empty()) return defaultValue;
    if (!(time > keys.front().time)) return keys.front().value;  // also NaN
    if (time >= keys.back().time) return keys.back().value;
    auto after = std::upper_bound(keys.begin(), keys.end(), time,
                                  [](double t, const EnvelopeKey &k) { return t < k.time; });
    const EnvelopeKey &b = *after;
    const EnvelopeKey &a = *(after - 1);
    const double f = (time - a.time) / (b.time - a.time);
    return a.value + (b.value - a.value) * f;
}

bool EnvelopeData::addKey(double time, double value) {
    if (!std::isfinite(time) || !std::isfinite(value)) return false;
    auto at = std::lower_bound(keys.begin(), keys.end(), time,
                               [](const EnvelopeKey &k, double t) { return k.time < t; });
    if (at != keys.end() && at->time == time) {
        at->value = value;
        return true;
    }
    if (keys.size() >= static_cast<std::size_t>(kMaxEnvelopeKeys)) return false;
    keys.insert(at, EnvelopeKey{time, value});
    return true;
}

void writeDouble(const SaveState *ss, double value) {
    if (!ss || !ss->writeBytes) return;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char bytes[8];
    for (int b = 0; b < 8; ++b) bytes[b] = static_cast<char>((bits >> (56 - 8 * b)) & 0xFF);
    ss->writeBytes(ss->writeData, bytes, 8);
}

bool readDouble(const LoadState *ls, double &value) {
    if (!ls || !ls->readBytes) return false;
    char bytes[8];
    if (ls->readBytes(ls->readData, bytes, 8) != 8) return false;
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits = (bits << 8) | static_cast<unsigned char>(bytes[b]);
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

void writeInt(const SaveState *ss, int32_t value) {
    if (ss && ss->writeI4) ss->writeI4(ss->writeData, &value, 1);
}

bool readInt(const LoadState *ls, int32_t &value) {
    if (!ls || !ls->readI4) return false;
    int32_t v = 0;
    if (ls->readI4(ls->readData, &v, 1) != 1) return false;
    value = v;
    return true;
}

void writeEnvelopeData(const SaveState *ss, const EnvelopeData &data) {
    if (!ss) return;
    writeInt(ss, kEnvelopeFormat);
    writeDouble(ss, data.defaultValue);
    writeInt(ss, static_cast<int32_t>(data.keys.size()));
    for (const EnvelopeKey &k : data.keys) {
        writeDouble(ss, k.time);
        writeDouble(ss, k.value);
    }
}

bool readEnvelopeData(const LoadState *ls, EnvelopeData &data) {
    int32_t format = 0, count = 0;
    double def = 0;
    if (!readInt(ls, format) || format != kEnvelopeFormat) return false;
    if (!readDouble(ls, def) || !std::isfinite(def)) return false;
    if (!readInt(ls, count) || count < 0) return false;
    count = std::min(count, kMaxEnvelopeKeys);
    EnvelopeData read;
    read.defaultValue = def;
    // Grows with what is actually read, not with the count the stream claims.
    read.keys.reserve(static_cast<std::size_t>(std::min(count, 256)));
    for (int32_t i = 0; i < count; ++i) {
        double t = 0, v = 0;
        if (!readDouble(ls, t) || !readDouble(ls, v)) return false;  // truncated
        if (!read.addKey(t, v)) return false;
    }
    data = std::move(read);
    return true;
}

}  // namespace minihost::vparams
