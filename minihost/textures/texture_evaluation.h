// A texture's value at a spot: its layers, first to last, each laid over
// what the layers below made (starting from the value under the texture)
// with its blend and its opacity at the texture's time:
//   result = below * (1 - opacity) + blend(below, layer) * opacity
// with blend normal (the layer), add, subtract or multiply, per channel.
//
//  constant: the layer's value (its envelopes at the texture's time)
//  gradient: the input's value at the spot mapped through the keys: linear
//            between two keys, the nearest key's value outside them; a
//            gradient without keys, or on an input that no context or
//            minihost offers, leaves the layers below as they are
//  image:    the image at the spot's object-space position, projected
//            planar (along the axis), cylindrical or spherical (around it),
//            centred and sized as the layer says, repeating; a scalar
//            texture takes the mean of red, green and blue
#pragma once

#include "host/images.h"
#include "host/textures.h"
#include "minihost/textures/texture_registry.h"

namespace minihost::textures {

// `values` holds t.channelCount channels. Call with the registry's mutex
// held (shared is enough); the context's evaluate callback runs inside.
void evaluateTexture(const Texture &t, TexturedSpot &spot, const ImageList *images, double values[3]);

// The image's colour at (u, v), 0..1 across and down, repeating, bilinear.
void sampleImage(const ImageList &images, ImageID image, double u, double v, double rgb[3]);

}  // namespace minihost::textures
