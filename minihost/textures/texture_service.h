// "Texture Functions 3": texture contexts with the gradient inputs modules
// add, and textures (see texture_registry.h, texture_data.h and
// texture_evaluation.h for what they hold and how they evaluate).
//
// Contexts: the callbacks and the inputs a module adds are kept as given
// (the names copied); inputs are numbered from 1 in the order added. A
// gradient layer names its input; the context's inputs are searched first,
// then minihost's own. The evaluate callback gets a copy of the input's
// descriptor carrying the layer's item choice, the spot, and the record the
// time callback made at the texture's last new-time (null before the first).
//
// Layer parameters: TXTAG_OPACITY (the constant under any envelope),
// TXTAG_BLEND, and TXTAG_IMAGE on image layers only.
#pragma once

#include "host/images.h"
#include "host/textures.h"

namespace minihost {

TextureFuncs *textureFuncsRecord();

// The image list that image layers read their images through (minihost's
// own "LW Image List 3"); without one, image layers show nothing.
void useTextureImages(const ImageList *images);

}  // namespace minihost
