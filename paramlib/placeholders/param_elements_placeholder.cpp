// Placeholder: variant parameters and texture holders save and load nothing
// until the variant-parameter code defines these. Delete this file then.
#include "paramlib/param_elements.h"

namespace qr {

void saveVparams(const SaveState *, Vparam *, int) {}
void loadVparams(const LoadState *, Vparam *, int) {}
void saveTextureHolders(const SaveState *, TextureHolder *, int) {}
void loadTextureHolders(const LoadState *, TextureHolder *, int) {}

}  // namespace qr
