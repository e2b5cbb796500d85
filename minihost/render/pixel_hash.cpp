#include "minihost/render/pixel_hash.h"

#include <xxhash.h>

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <memory>

namespace minihost {

namespace {

static_assert(std::endian::native == std::endian::little, "planes are hashed as little-endian floats");

struct StateDeleter {
    void operator()(XXH3_state_t *state) const { XXH3_freeState(state); }
};

}  // namespace

float depthForFiles(float depth) { return depth > 1e14f ? std::numeric_limits<float>::infinity() : depth; }

std::string framePixelHash(const FrameBuffer &frame) {
    std::unique_ptr<XXH3_state_t, StateDeleter> state(XXH3_createState());
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK) return {};
    for (const std::vector<float> *plane : {&frame.red, &frame.green, &frame.blue, &frame.alpha})
        XXH3_128bits_update(state.get(), plane->data(), plane->size() * sizeof(float));
    // Depth in blocks, misses turned into +infinity on the way.
    std::array<float, 4096> block;
    for (std::size_t at = 0; at < frame.depth.size(); at += block.size()) {
        const std::size_t n = std::min(block.size(), frame.depth.size() - at);
        for (std::size_t i = 0; i < n; ++i) block[i] = depthForFiles(frame.depth[at + i]);
        XXH3_128bits_update(state.get(), block.data(), n * sizeof(float));
    }
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state.get()));
    static const char kHex[] = "0123456789abcdef";
    std::string text = "xxh3-128:";
    for (unsigned char byte : canonical.digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

}  // namespace minihost
