// A texture's own data: its layers, without the images of image layers and
// without the envelopes of the layers' channels (the texture's owner keeps
// those; a channel's envelope is only flagged here, so that loading gives
// the channel an envelope for the owner to fill).
//
// Saved form, in the state's current block (either representation):
//   I4 format version 1
//   I4 number of layers (at most kMaxTextureLayers)
//   per layer:
//     I4 type (kConstantLayer, kGradientLayer, kImageLayer)
//     I4 blend (TXBLEND_...)
//     8 bytes opacity (IEEE double, most significant byte first)
//     I4 animated channels: bit 0 the opacity, bits 1 to 3 the value's
//        channels of a constant layer
//     constant: 3 x 8 bytes value (a scalar texture uses the first)
//     gradient: string input name, U4 selected item (an ItemID, or a weight
//        map's number), I4 number of keys (at most kMaxGradientKeys), per
//        key 8 bytes position and 3 x 8 bytes value, positions ascending
//     image:    I4 projection (kPlanar, kCylindrical, kSpherical), I4 axis
//        (0 x, 1 y, 2 z), 3 x 8 bytes centre, 3 x 8 bytes size
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/io_state.h"
#include "host/textures.h"

namespace minihost::textures {

constexpr int32_t kTextureFormat = 1;
constexpr int kMaxTextureLayers = 64;
constexpr int kMaxGradientKeys = 10000;

enum LayerType { kConstantLayer = 0, kGradientLayer = 1, kImageLayer = 2 };
enum Projection { kPlanar = 0, kCylindrical = 1, kSpherical = 2 };

constexpr uint32_t kOpacityAnimated = 1u;
inline constexpr uint32_t valueAnimated(int channel) { return 2u << channel; }

struct GradientKey {
    double position = 0;
    double value[3] = {0, 0, 0};
};

struct LayerData {
    int type = kConstantLayer;
    int blend = TXBLEND_NORMAL;
    double opacity = 1;
    uint32_t animated = 0;
    // constant layers
    double value[3] = {0, 0, 0};
    // gradient layers: the input by name, the user's item choice, the keys
    std::string input;
    uint32_t item = 0;
    std::vector<GradientKey> keys;
    // image layers: how the object-space position maps onto the image
    int projection = kPlanar;
    int axis = 2;
    double center[3] = {0, 0, 0};
    double size[3] = {1, 1, 1};
};

struct TextureData {
    std::vector<LayerData> layers;
};

void writeTextureData(const SaveState *ss, const TextureData &data);
// False, with `data` unchanged, for another format, counts or codes out of
// range, non-finite numbers, keys out of order or a record cut short.
bool readTextureData(const LoadState *ls, TextureData &data);

// Sorts keys by position (a stable sort: equal positions keep their order).
void sortKeys(std::vector<GradientKey> &keys);

}  // namespace minihost::textures
