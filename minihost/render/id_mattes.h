// ID mattes as compositing programs read them (the open "Cryptomatte"
// convention): each name is hashed with MurmurHash3 (x86, 32 bits, seed
// 0), the hash made a float that is neither denormal, infinite nor NaN, and
// a pixel holds (id, coverage) pairs by rank. The header names each matte
// under a key taken from the hash of the matte's name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace minihost {

uint32_t murmurHash3(std::string_view bytes);

// The hash with its exponent's lowest bit flipped where the exponent is 0
// or 255 ("uint32_to_float32").
uint32_t mattesHash(std::string_view name);
float mattesId(std::string_view name);

// The matte's key in the header: the first 7 hexadecimal digits of its name's hash.
std::string mattesKey(std::string_view matteName);

// "%08x" of a name's hash, as the manifest lists it.
std::string mattesHex(std::string_view name);

}  // namespace minihost
