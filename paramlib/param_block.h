// Parameter blocks: a handler's settings, described by a parameter table, as
// one self-describing "PDLB" block of "PDPR" blocks (name, type code, value).
//
// The reader matches parameters by name and type code: unknown ones are
// skipped, missing ones keep the value the storage held before the call, so a
// block written with more or fewer parameters still loads. Neither function
// keeps state; both run on the caller's thread with the caller's state.
#pragma once

#include <cstdint>

#include "host/io_state.h"

namespace qr {

// Type codes: four-character codes, written into the stream.
inline constexpr uint32_t kParamInt = HOST_FOURCC('P', 'I', 'N', 'T');        // int32[count]
inline constexpr uint32_t kParamUInt = HOST_FOURCC('P', 'U', 'N', 'T');       // uint32[count]
inline constexpr uint32_t kParamFloat = HOST_FOURCC('P', 'F', 'L', 'T');      // float[count]
inline constexpr uint32_t kParamDouble = HOST_FOURCC('P', 'D', 'B', 'L');     // double[count]
inline constexpr uint32_t kParamBinary = HOST_FOURCC('P', 'B', 'I', 'N');     // char[count]
inline constexpr uint32_t kParamString = HOST_FOURCC('P', 'S', 'T', 'R');     // char[count], NUL-terminated
inline constexpr uint32_t kParamUser = HOST_FOURCC('P', 'U', 'S', 'R');       // the entry's callbacks
inline constexpr uint32_t kParamVparam = HOST_FOURCC('P', 'V', 'P', 'R');     // Vparam[count]
inline constexpr uint32_t kParamVparamRef = HOST_FOURCC('P', 'V', 'E', 'V');  // VparamSlot[count]
inline constexpr uint32_t kParamTexture = HOST_FOURCC('P', 'V', 'T', 'X');    // TextureHolder[count]

// Block identifiers.
inline constexpr uint32_t kParamBlockId = HOST_FOURCC('P', 'D', 'L', 'B');  // token "PluginDataLib"
inline constexpr uint32_t kParamItemId = HOST_FOURCC('P', 'D', 'P', 'R');   // token "PluginDataParam"

// The bytes of a parameter name the reader takes, NUL included; a longer
// stored name is cut to this and then matches no table entry.
inline constexpr int kParamNameSize = 512;

// The version word every handler writes before its block.
inline constexpr int32_t kParamVersion = 256;

using ParamSaveFunc = void (*)(const SaveState *ss, void *value);
using ParamLoadFunc = void (*)(const LoadState *ls, void *value);

// One entry of a parameter table; a null name ends the table.
struct ParamEntry {
    const char *name;    // the key in the stream, e.g. "norm_err"
    uint32_t type;       // a type code above
    void *value;         // the storage; null: neither written nor read
    int32_t count;       // elements; for kParamString the buffer size on reading
    ParamSaveFunc save;  // kParamUser only, when writing
    ParamLoadFunc load;  // kParamUser only, when reading
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
