#include "minihost/render/id_mattes.h"

#include <bit>
#include <cstdio>

namespace minihost {

uint32_t murmurHash3(std::string_view bytes) {
    constexpr uint32_t c1 = 0xcc9e2d51, c2 = 0x1b873593;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t length = bytes.size(), blocks = length / 4;
    uint32_t h = 0;
    auto mix = [](uint32_t k) { return std::rotl(k * c1, 15) * c2; };
    for (std::size_t i = 0; i < blocks; ++i) {
        const unsigned char *b = data + 4 * i;
        const uint32_t k = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        h = std::rotl(h ^ mix(k), 13) * 5 + 0xe6546b64;
    }
    const unsigned char *tail = data + 4 * blocks;
    uint32_t k = 0;
    switch (length & 3) {
    case 3: k ^= static_cast<uint32_t>(tail[2]) << 16; [[fallthrough]];
    case 2: k ^= static_cast<uint32_t>(tail[1]) << 8; [[fallthrough]];
    case 1:
        k ^= tail[0];
        h ^= mix(k);
        break;
    default: break;
    }
    h ^= static_cast<uint32_t>(length);
    h ^= h >> 16;
    h *= 0x85ebca6b;
    h ^= h >> 13;
    h *= 0xc2b2ae35;
    h ^= h >> 16;
    return h;
}

uint32_t mattesHash(std::string_view name) {
    uint32_t h = murmurHash3(name);
    const uint32_t exponent = (h >> 23) & 255;
    if (exponent == 0 || exponent == 255) h ^= 1u << 23;
    return h;
}

float mattesId(std::string_view name) { return std::bit_cast<float>(mattesHash(name)); }

std::string mattesHex(std::string_view name) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", mattesHash(name));
    return text;
}

std::string mattesKey(std::string_view matteName) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", murmurHash3(matteName));
    return std::string(text, 7);
}

}  // namespace minihost
