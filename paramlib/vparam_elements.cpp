// The object elements of parameter blocks: variant parameters save and load
// their own "VPRM" blocks, texture holders their "PTEX" blocks.
#include "paramlib/param_elements.h"
#include "paramlib/texture_holder.h"
#include "paramlib/vparam.h"

namespace qr {

void saveVparams(const SaveState *ss, Vparam *first, int count) {
    for (int i = 0; first && i < count; ++i) first[i].save(ss);
}

void loadVparams(const LoadState *ls, Vparam *first, int count) {
    for (int i = 0; first && i < count; ++i) first[i].load(ls);
}

void saveTextureHolders(const SaveState *ss, TextureHolder *first, int count) {
    for (int i = 0; first && i < count; ++i) first[i].save(ss);
}

void loadTextureHolders(const LoadState *ls, TextureHolder *first, int count) {
    for (int i = 0; first && i < count; ++i) first[i].load(ls);
}

}  // namespace qr
