#include "minihost/render/render_session.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <thread>

#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/system_memory.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/image_filter_stage.h"
#include "minihost/render/pixel_filter_stage.h"
#include "minihost/render/tile_shading.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/progress_bar.h"

namespace minihost {

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

std::string seconds(const char *name, double s) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %.3f s", name, s);
    return text;
}

}  // namespace

std::size_t frameMemoryBytes(int width, int height) {
    constexpr std::size_t kBytesPerPixel = 5 * sizeof(float) + 4;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kBytesPerPixel;
}

// The frame's own planes and its encoded copy must fit in the memory budget,
// or the render is refused before it starts.
bool frameFitsInMemory(const Scene &scene, std::string &error) {
    const std::size_t need = frameMemoryBytes(scene.width, scene.height);
    const std::size_t can = availableMemoryBytes();
    if (need <= can) return true;
    error = scene.path + ": a frame of " + std::to_string(scene.width) + " x " +
            std::to_string(scene.height) + " pixels needs " + std::to_string(need >> 20) + " MB, more than " +
            memoryBudgetText();
    return false;
}

namespace {

// The names an ID matte may hold: every object's and every surface's, each once.
void nameMattes(const Scene &scene, FrameLayers &layers) {
    std::set<std::string> surfaces;
    for (const auto &object : scene.objects) {
        layers.objectNames.push_back(object->name);
        for (const auto &surface : object->surfaces) surfaces.insert(surface->name);
    }
    layers.surfaceNames.assign(surfaces.begin(), surfaces.end());
}

// The frame as shaded, before any filter.
void takeBase(FrameBuffer &buffer) {
    const std::vector<float> *planes[4] = {&buffer.red, &buffer.green, &buffer.blue, &buffer.alpha};
    for (int c = 0; c < 4; ++c) buffer.layers.base[c] = *planes[c];
}

// How far from a silhouette a stroke still takes its object's depth.
constexpr int kLinesDepthReach = 16;

// A black image with alpha 0 and the frame's depth, over which the filters
// run a second time (after each pixel filter's evaluate on the same pixel,
// after the image filters): what they write there is their own drawing
// alone, its colour already multiplied by its coverage.
void startLinesAlone(const FrameBuffer &buffer, FrameBuffer &alone) {
    alone.resize(buffer.width, buffer.height);
    alone.depth = buffer.depth;
}

// The image filters keep nothing between calls, so the frame itself is unchanged.
void drawLinesAlone(const std::vector<LiveUse> &imageFilters, FrameBuffer &alone, FrameBuffer &buffer,
                    int frame, double time) {
    runImageFilters(imageFilters, alone, frame, time, time);
    FrameLayers &layers = buffer.layers;
    layers.lines[0] = std::move(alone.red);
    layers.lines[1] = std::move(alone.green);
    layers.lines[2] = std::move(alone.blue);
    layers.lines[3] = std::move(alone.alpha);
    layers.linesDepth =
        linesDepthOf(buffer.depth, layers.lines[3], buffer.width, buffer.height, kLinesDepthReach);
}

// Calls cleanup on every instance however the render ends.
struct CleanupGuard {
    ServerSet &servers;
    ~CleanupGuard() { servers.cleanupAll(); }
};

}  // namespace

std::string StageTimes::summary() const {
    return seconds("load", load) + ", " + seconds("new-time", newTime) + ", " +
           seconds("geometry", geometry) + ", " + seconds("shading", shading) + ", " +
           seconds("pixel filters", pixelFilters) + ", " + seconds("image filters", imageFilters) + ", " +
           seconds("output", output);
}

int defaultThreadCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

RenderResult renderFrames(Scene &scene, ServerSet &servers, const RenderOptions &options,
                          const FrameSink &sink, StageTimes &times, std::string &error) {
    try {
        if (!frameFitsInMemory(scene, error)) return RenderResult::Failed;
        FrameState state;
        FrameBuffer buffer;
        buffer.layers.chosen = options.layers;
        if (options.layers.ids) nameMattes(scene, buffer.layers);
        const std::vector<LiveUse> none;
        const std::vector<LiveUse> &pixelFilters = options.filters ? servers.live().pixelFilters : none;
        const std::vector<LiveUse> &imageFilters = options.filters ? servers.live().imageFilters : none;
        std::vector<int> frames = options.frames;
        if (frames.empty())
            for (long long f = options.firstFrame; f <= options.lastFrame; ++f)
                frames.push_back(static_cast<int>(f));
        const bool range = frames.size() > 1;
        servers.initAll(0);
        CleanupGuard guard{servers};
        for (const int frame : frames) {
            const double time = scene.frameTime(frame);

            auto t0 = Clock::now();
            servers.newTimeAll(frame, time);
            // The modules' blocks for the frame are all admitted now.
            populateRenderMemory();
            times.newTime += since(t0);

            t0 = Clock::now();
            if (!state.prepare(scene, &servers.live(), frame, time, error)) {
                error = scene.path + ": frame " + std::to_string(frame) + ": " + error;
                return RenderResult::Failed;
            }
            times.geometry += since(t0);

            const std::string label = range ? "frame " + std::to_string(frame) + " " : std::string();
            t0 = Clock::now();
            {
                ProgressBar bar(label + "shading", 1000);
                auto show = [&](unsigned done, unsigned total) {
                    if (options.progress) bar.set(done * 1000 / total);
                };
                if (!shadeFrame(state, buffer, options.threads, show)) return RenderResult::Aborted;
                if (options.progress) bar.finish();
            }
            times.shading += since(t0);
            if (options.layers.base) takeBase(buffer);
            FrameBuffer alone;
            if (options.layers.lines) startLinesAlone(buffer, alone);
            FrameBuffer *const linesAlone = options.layers.lines ? &alone : nullptr;

            t0 = Clock::now();
            if (!pixelFilters.empty()) {
                ProgressBar bar(label + "pixel filters", 1000);
                auto show = [&](unsigned done, unsigned total) {
                    if (options.progress) bar.set(done * 1000 / total);
                };
                if (!runPixelFilters(state, pixelFilters, buffer, show, linesAlone))
                    return RenderResult::Aborted;
                if (options.progress) bar.finish();
            }
            times.pixelFilters += since(t0);

            t0 = Clock::now();
            runImageFilters(imageFilters, buffer, frame, time, time);
            if (linesAlone) drawLinesAlone(imageFilters, alone, buffer, frame, time);
            times.imageFilters += since(t0);
            if (abortRequested()) return RenderResult::Aborted;

            t0 = Clock::now();
            const bool delivered = sink ? sink(frame, buffer, error) : true;
            times.output += since(t0);
            if (!delivered) return RenderResult::Failed;
        }
        return RenderResult::Done;
    } catch (const std::exception &e) {
        error = e.what();
        return RenderResult::Failed;
    }
}

}  // namespace minihost
