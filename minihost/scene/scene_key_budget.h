// The keys a scene may give in all. Every element of an array named "keys"
// counts, wherever it stands: the motion keys of items and bones, the keys
// of animated settings and layer opacities, the keys of texture gradients.
// Each key becomes records of its own in the modules' saved data and in the
// envelopes the renderer walks each frame, so a file of a few megabytes can
// ask for far more work and memory than its size suggests.
#pragma once

#include <cstddef>

#include <nlohmann/json.hpp>

#include "minihost/scene/json_reader.h"

namespace minihost {

// Far beyond any hand-made or exported scene (a thousand animated channels of
// a thousand keys each), small enough that a scene within it loads in
// seconds.
inline constexpr std::size_t kMaxSceneKeys = 1000000;

// The number of keys the document gives.
std::size_t countSceneKeys(const nlohmann::json &root);

// Throws InputError naming the file, the count and the budget when the
// document gives more than kMaxSceneKeys keys.
void checkSceneKeys(const JsonDocument &doc);

}  // namespace minihost
