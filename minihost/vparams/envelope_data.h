// The data of one envelope (a default value and its keys), its evaluation and
// its saved form, independent of any registry so that the scene settings can
// write envelope data without creating envelopes.
//
// Saved form, in the state's current block (either representation):
//   I4 format version 1
//   8 bytes: the default value (IEEE double, most significant byte first)
//   I4 number of keys
//   per key: 8 bytes time (seconds), 8 bytes value
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "host/io_state.h"

namespace minihost::vparams {

// More keys than this are never read or created: a damaged count cannot make
// a load allocate without bound.
constexpr int kMaxEnvelopeKeys = 100000;
constexpr int32_t kEnvelopeFormat = 1;

struct EnvelopeKey {
    double time = 0;
    double value = 0;
};

struct EnvelopeData {
    double defaultValue = 0;
    std::vector<EnvelopeKey> keys;  // ascending time, no two at one time

    // Linear between keys, the nearest key's value outside them, the
    // default value without keys.
    double evaluate(double time) const;
    // Inserts a key in time order; a key at the same time gets the new
    // value. False for non-finite numbers or when the key limit is reached.
    bool addKey(double time, double value);
};

// Both false when the state is null; reading leaves `data` unchanged unless
// the whole record was read. Keys beyond kMaxEnvelopeKeys are left unread
// (the caller's endBlock skips them); non-finite numbers or a negative count
// make the record unreadable.
void writeEnvelopeData(const SaveState *ss, const EnvelopeData &data);
bool readEnvelopeData(const LoadState *ls, EnvelopeData &data);

// Doubles in these records: 8 bytes, most significant first.
void writeDouble(const SaveState *ss, double value);
bool readDouble(const LoadState *ls, double &value);
void writeInt(const SaveState *ss, int32_t value);
bool readInt(const LoadState *ls, int32_t &value);

}  // namespace minihost::vparams
