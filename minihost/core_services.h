// The services every run of minihost offers, whatever the scene.
#pragma once

namespace minihost {

// Provides, in the registry, "Global Render Memory", "Info Messages 2",
// "File IO" and the basic "LW Scene Info 3" (a scene may replace the last).
// Calling it again provides them again.
void installCoreServices();

}  // namespace minihost
