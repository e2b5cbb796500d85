// The services every run of minihost offers, whatever the scene.
#pragma once

namespace minihost {

// Provides, in the registry, "Global Render Memory", "Info Messages 2",
// "File IO", the basic "LW Scene Info 3" (a scene may replace it), the
// panels ("LWXPanel", "LWPanelServices", "File Request"), the variant
// parameters ("LWVParmFuncs 2", "Animation Envelopes", "Channel Info 2") and
// textures ("Texture Functions 3", whose image layers read the scene's image
// list).
// Calling it again provides them again.
void installCoreServices();

}  // namespace minihost
