// The object elements of parameter blocks: each element saves and loads its
// own block inside the parameter's "PDPR" block.
//
// The parameter library calls these; the variant-parameter code defines them
// for its types. Arrays are passed whole because only the element's owner
// knows its size.
#pragma once

#include <cstdint>

#include "host/io_state.h"

namespace qr {

class Vparam;
struct TextureHolder;

// An element of a "PVEV" array: a word that is not stored, then the object.
struct VparamSlot {
    uint32_t unused;
    Vparam *vparam;
};

// "PVPR": count Vparam objects lying one after another, each a "VPRM" block.
void saveVparams(const SaveState *ss, Vparam *first, int count);
void loadVparams(const LoadState *ls, Vparam *first, int count);

// "PVTX": count texture holders lying one after another, each a "PTEX" block.
void saveTextureHolders(const SaveState *ss, TextureHolder *first, int count);
void loadTextureHolders(const LoadState *ls, TextureHolder *first, int count);

}  // namespace qr
