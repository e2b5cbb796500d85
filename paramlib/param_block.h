// Parameter blocks: a handler's settings, described by a parameter table, as
// one self-describing "PDLB" block of "PDPR" blocks (name, type code, value),
// with the codes of host/settings_block_codes.h.
//
// The reader matches parameters by name and type code: unknown ones are
// skipped, missing ones keep the value the storage held before the call, so a
// block written with more or fewer parameters still loads. Neither function
// keeps state; both run on the caller's thread with the caller's state.
#pragma once

#include <cstdint>

#include "host/io_state.h"
#include "host/settings_block_codes.h"

namespace qr {

// The bytes of a parameter name the reader takes, NUL included; a longer
// stored name is cut to this and then matches no table entry.
inline constexpr int kParamNameSize = 512;

using ParamSaveFunc = void (*)(const SaveState *ss, void *value);
using ParamLoadFunc = void (*)(const LoadState *ls, void *value);

// One entry of a parameter table; a null name ends the table.
struct ParamEntry {
    const char *name;    // the key in the stream, e.g. "norm_err"
    uint32_t type;       // a SETTINGS_TYPE_ code
    void *value;         // the storage; null: neither written nor read
    int32_t count;       // elements; for SETTINGS_TYPE_STRING the buffer size on reading
    ParamSaveFunc save;  // SETTINGS_TYPE_USER only, when writing
    ParamLoadFunc load;  // SETTINGS_TYPE_USER only, when reading
};

void writeParamBlock(const SaveState *ss, const ParamEntry *table);
void readParamBlock(const LoadState *ls, const ParamEntry *table);

// The handlers' convention: the version word 256, then the block. Reading
// takes the block only after a version of 256 and tells whether it did.
void writeVersionedParamBlock(const SaveState *ss, const ParamEntry *table);
bool readVersionedParamBlock(const LoadState *ls, const ParamEntry *table);

// Doubles as 8 bytes each, most significant byte first, through the state's
// byte operations. readDoubles returns how many whole doubles were read and
// changes only those; the rest of `values` keeps what it held.
void writeDoubles(const SaveState *ss, const double *values, int count);
int readDoubles(const LoadState *ls, double *values, int count);

}  // namespace qr
