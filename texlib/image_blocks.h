// The extra blocks a textured variant parameter saves after its own data:
// the image envelopes ("IENV") and image references ("IREF") of its texture.
#pragma once

#include "host/host_types.h"
#include "host/io_state.h"

namespace qr {

void writeImageEnvelopes(TextureID texture, const SaveState *ss) noexcept;
void readImageEnvelopes(TextureID texture, const LoadState *ls) noexcept;
void writeImageReferences(TextureID texture, const SaveState *ss) noexcept;
void readImageReferences(TextureID texture, const LoadState *ls) noexcept;

}  // namespace qr
