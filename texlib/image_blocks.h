// The extra blocks a textured variant parameter saves after its own data:
// the image envelopes ("IENV") and image references ("IREF") of its texture.
#pragma once

#include "host/host_types.h"
#include "host/io_state.h"

namespace qr {

void writeImageEnvelopes(TextureID texture, const SaveState *ss);
void readImageEnvelopes(TextureID texture, const LoadState *ls);
void writeImageReferences(TextureID texture, const SaveState *ss);
void readImageReferences(TextureID texture, const LoadState *ls);

// Tests: how often each of the four ran and the texture it got last, so that
// a test can see which parameters ask for their image blocks while the
// blocks themselves are still empty.
struct ImageBlockCalls {
    int writeEnvelopes, writeReferences, readEnvelopes, readReferences;
    TextureID lastTexture;
};
ImageBlockCalls imageBlockCallsForTests() noexcept;
void resetImageBlockCallsForTests() noexcept;

}  // namespace qr
