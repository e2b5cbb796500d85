// The object elements of parameter blocks. Variant parameters save and load
// their own "VPRM" blocks. Texture holders ("PVTX") are not supported: no
// handler uses them and no host service for their texture data is settled,
// so they write nothing and read nothing.
#include "paramlib/param_elements.h"
#include "paramlib/vparam.h"

namespace qr {

void saveVparams(const SaveState *ss, Vparam *first, int count) {
    for (int i = 0; first && i < count; ++i) first[i].save(ss);
}

void loadVparams(const LoadState *ls, Vparam *first, int count) {
    for (int i = 0; first && i < count; ++i) first[i].load(ls);
}

void saveTextureHolders(const SaveState *, TextureHolder *, int) {}
void loadTextureHolders(const LoadState *, TextureHolder *, int) {}

}  // namespace qr
