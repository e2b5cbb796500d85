// The image blocks need the host's textures, which no host offers these
// modules yet: until the texture support reads and writes them, a textured
// parameter's block carries none and reading skips nothing.
#include "texlib/image_blocks.h"

namespace qr {

void writeImageEnvelopes(TextureID, const SaveState *) noexcept {}
void readImageEnvelopes(TextureID, const LoadState *) noexcept {}
void writeImageReferences(TextureID, const SaveState *) noexcept {}
void readImageReferences(TextureID, const LoadState *) noexcept {}

}  // namespace qr
