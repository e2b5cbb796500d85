// One render of a scene over a range of frames, with the stages in the
// order a host keeps: init on every instance before the first frame; per
// frame new-time on every instance, shading, the pixel filters, the image
// filters; cleanup after the last frame.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "minihost/render/frame_buffer.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/server_instances.h"

namespace minihost {

struct StageTimes {
    double load = 0, newTime = 0, geometry = 0, shading = 0, pixelFilters = 0, imageFilters = 0, output = 0;
    std::string summary() const;  // "load 0.12 s, new-time 0.00 s, ..."
};

struct RenderOptions {
    int firstFrame = 1, lastFrame = 1;
    std::vector<int> frames;  // when not empty: these frames, in order, instead of first..last
    int threads = 1;
    bool progress = false;  // progress bars on stderr
    // False: the frames are left as shaded. The filters' instances still get
    // their init, new-time and cleanup.
    bool filters = true;
    // Layers for compositing, made beside each frame (render/frame_layers.h).
    LayerChoice layers;
};

// Receives each finished frame; false (with `error` set) stops the render.
using FrameSink = std::function<bool(int frame, const FrameBuffer &image, std::string &error)>;

enum class RenderResult { Done, Aborted, Failed };

// The memory a frame of width x height takes: its planes and its encoded copy.
std::size_t frameMemoryBytes(int width, int height);

// Whether the frame's own buffers fit in the memory budget
// (core/system_memory.h); `error` says what they need and what the budget
// is otherwise. renderFrames refuses a frame that does not fit.
bool frameFitsInMemory(const Scene &scene, std::string &error);

// Renders with the scene's services active. Throws nothing; on failure
// `error` says why.
RenderResult renderFrames(Scene &scene, ServerSet &servers, const RenderOptions &options,
                          const FrameSink &sink, StageTimes &times, std::string &error);

// The worker count "all cores" means.
int defaultThreadCount();

}  // namespace minihost
