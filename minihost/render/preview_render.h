// A material preview: one surface of a loaded scene, with its settings and
// its shaders, shown on the preview stage's sphere. Only the surface's
// shaders take part (init before, new-time for the frame, cleanup after);
// the scene's filters do not run, as a preview has no tracer.
#pragma once

#include <string>

#include "minihost/render/frame_buffer.h"
#include "minihost/render/render_session.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/live_uses.h"

namespace minihost {

struct PreviewOptions {
    int size = 96;  // pixels a side
    int threads = 1;
};

// What a preview shaded with, for checking it.
struct PreviewInfo {
    ItemID sphereID = ITEM_NULL;  // the objID the shaders got
    int frame = 0;
    double time = 0;
};

// Renders `surface` (a surface of `scene`, whose services must be active)
// with its live `shaders` at the scene's first frame into `out`. The
// background is opaque. Throws nothing; on failure `error` says why.
RenderResult renderPreview(const Scene &scene, const SceneSurface &surface,
                           const std::vector<LiveUse> &shaders, const PreviewOptions &options,
                           FrameBuffer &out, PreviewInfo &info, std::string &error);

}  // namespace minihost
