// `render --layers LIST`: the layers for compositing that each frame's file
// holds besides its picture. Only OpenEXR files hold layers.
#pragma once

#include <iosfwd>
#include <string>

#include "minihost/render/frame_layers.h"

namespace minihost::cli {

// False (with the fault on `err`) for an unknown layer or an output that is
// not OpenEXR. An empty list chooses none.
bool chooseLayers(const std::string &list, const std::string &output, LayerChoice &choice, std::ostream &err);

}  // namespace minihost::cli
