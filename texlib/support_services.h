// The services of the texture support, held apart from the module frame's
// own table: fetched together, once per module, the first time any texture
// support operation or variant parameter needs them.
#pragma once

#include "host/images.h"
#include "host/item_services.h"
#include "host/scene_objects.h"
#include "host/textures.h"
#include "host/variant_params.h"

namespace qr {

struct SupportServices {
    TextureFuncs *textureFuncs;    // "Texture Functions 3"
    ItemInfo *itemInfo;            // "LW Item Info 3"
    LightInfo *lightInfo;          // "LW Light Info 3"
    ObjectInfo *objectInfo;        // "LW Object Info 4"
    ImageList *imageList;          // "LW Image List 3"
    VParmFuncs *vparmFuncs;        // "LWVParmFuncs 2"
    EnvelopeFuncs *envelopeFuncs;  // "Animation Envelopes"
    SurfaceFuncs *surfaceFuncs;    // "Surface Functions 2"
    ChannelInfo *channelInfo;      // "Channel Info 2"
    SceneObjects *sceneObjects;    // "Scene Objects 4"

    bool anyHeld() const;
};

// Fetches all ten through the module's stored global lookup, in the order
// above, unless one of them is held already. Without a lookup nothing is
// fetched (and a later call tries again).
void acquireSupportServices();

// The module's support services (acquire first).
const SupportServices &supportServices() noexcept;

}  // namespace qr
