// Textures given by key on a variant parameter's setting:
//   "lcol": {"value": [0, 0, 0], "texture": {"layers": [LAYER, ...]}}
// Layers, first at the bottom:
//   {"type": "constant", "value": V}
//   {"type": "gradient", "input": NAME, "item": ITEM, "keys": [[position, V], ...]}
//   {"type": "image", "image": FILE, "projection": "planar", "axis": "z",
//    "center": [x, y, z], "size": [x, y, z] or number}
// each with "opacity" (0 to 1, or {"keys": [[frame, number], ...]}) and
// "blend" ("normal", "add", "subtract", "multiply"). V is a number or
// [r, g, b] as the parameter is; a constant layer's value may have keys too.
//
// NAME is one of the inputs the loaded modules' texture contexts add (for
// example "Ambient Occlusion (Medium)") or one of minihost's own; ITEM names
// what the input's item type asks for: an object, a light, a camera or a
// weight map of the scene.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/io_state.h"
#include "minihost/scene/scene.h"
#include "minihost/textures/texture_data.h"
#include "minihost/vparams/envelope_data.h"

namespace minihost {

struct TextureSetting {
    textures::TextureData data;
    std::vector<SceneImage *> images;              // per layer; null but for image layers
    std::vector<vparams::EnvelopeData> envelopes;  // animated layer channels, in layer and channel order
};

// Reads {"layers": [...]} for a parameter of `channels` channels; "" or what
// is wrong, phrased to follow "setting \"lcol\" of X ". Images are loaded
// into the scene's image list.
std::string readTextureSetting(const nlohmann::json &value, int channels, Scene &scene, TextureSetting &out);

// A number ([r, g, b] for three channels) or {"keys": [[frame, value], ...]}:
// the constant, and with keys one envelope per channel (frames at `fps`).
// "" or what is wrong with it.
std::string readAnimatedValue(const nlohmann::json &v, int channels, double fps, double values[3],
                              vparams::EnvelopeData envelopes[3], bool &animated);

// The texture's image envelope and image reference blocks, as the modules
// read them after the parameter's own data.
void writeTextureBlocks(const SaveState *ss, const TextureSetting &texture);

}  // namespace minihost
