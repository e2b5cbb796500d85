// The image blocks carry the images and envelopes of a texture's layers. They
// arrive with the texture work: until then a textured parameter's block holds
// none, and reading consumes nothing (the enclosing block's end skips
// whatever a later writer put there).
#include "texlib/image_blocks.h"

#include <atomic>

namespace qr {

namespace {

std::atomic<int> gWriteEnvelopes{0}, gWriteReferences{0}, gReadEnvelopes{0}, gReadReferences{0};
std::atomic<TextureID> gLastTexture{nullptr};

void count(std::atomic<int> &counter, TextureID texture) noexcept {
    counter.fetch_add(1, std::memory_order_relaxed);
    gLastTexture.store(texture, std::memory_order_relaxed);
}

}  // namespace

void writeImageEnvelopes(TextureID texture, const SaveState *) { count(gWriteEnvelopes, texture); }
void readImageEnvelopes(TextureID texture, const LoadState *) { count(gReadEnvelopes, texture); }
void writeImageReferences(TextureID texture, const SaveState *) { count(gWriteReferences, texture); }
void readImageReferences(TextureID texture, const LoadState *) { count(gReadReferences, texture); }

ImageBlockCalls imageBlockCallsForTests() noexcept {
    return {gWriteEnvelopes.load(), gWriteReferences.load(), gReadEnvelopes.load(), gReadReferences.load(),
            gLastTexture.load()};
}

void resetImageBlockCallsForTests() noexcept {
    gWriteEnvelopes = gWriteReferences = gReadEnvelopes = gReadReferences = 0;
    gLastTexture = nullptr;
}

}  // namespace qr
