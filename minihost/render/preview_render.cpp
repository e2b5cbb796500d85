#include "minihost/render/preview_render.h"

#include <algorithm>

#include "minihost/files/input_error.h"
#include "minihost/render/frame_state.h"
#include "minihost/render/preview_scene.h"
#include "minihost/render/tile_shading.h"

namespace minihost {

namespace {

// init, new-time and cleanup on the shaders of one surface, in its order;
// cleanup runs however the preview ends.
class SurfaceShaderSession {
public:
    explicit SurfaceShaderSession(const std::vector<LiveUse> &shaders) : shaders_(shaders) {}
    ~SurfaceShaderSession() {
        for (size_t i = 0; i < started_; ++i) {
            const LiveUse &live = shaders_[i];
            if (const ActiveHandler *h = live.handler; h && live.instance && h->rend.cleanup)
                h->rend.cleanup(live.instance);
        }
    }
    SurfaceShaderSession(const SurfaceShaderSession &) = delete;
    SurfaceShaderSession &operator=(const SurfaceShaderSession &) = delete;

    // Stops at the first shader whose init fails; only those started get
    // their cleanup.
    void init() {
        for (const LiveUse &live : shaders_) {
            if (const ActiveHandler *h = live.handler; h && live.instance && h->rend.init)
                if (const char *err = h->rend.init(live.instance, 0))
                    throw InputError(live.use->where,
                                     live.use->server + " could not start rendering: " + err);
            ++started_;
        }
    }
    void newTime(int frame, double time) {
        for (const LiveUse &live : shaders_)
            if (const ActiveHandler *h = live.handler; h && live.instance && h->rend.newTime)
                if (const char *err = h->rend.newTime(live.instance, frame, time))
                    throw InputError(live.use->where, live.use->server + " could not start frame " +
                                                          std::to_string(frame) + ": " + err);
    }

private:
    const std::vector<LiveUse> &shaders_;
    size_t started_ = 0;  // shaders whose init succeeded, from the first
};

}  // namespace

RenderResult renderPreview(const Scene &scene, const SceneSurface &surface,
                           const std::vector<LiveUse> &shaders, const PreviewOptions &options,
                           FrameBuffer &out, PreviewInfo &info, std::string &error) {
    try {
        const std::unique_ptr<Scene> stage = makePreviewStage(scene, options.size);
        info.sphereID = stage->objects.front()->id;
        info.frame = scene.firstFrame;
        info.time = scene.frameTime(scene.firstFrame);

        SurfaceShaderSession session(shaders);
        session.init();
        session.newTime(info.frame, info.time);
        FrameState state;
        if (!state.prepare(*stage, nullptr, info.frame, info.time, error)) return RenderResult::Failed;
        state.previewSurface = &surface;
        state.previewShaders = &shaders;
        if (!shadeFrame(state, out, options.threads)) return RenderResult::Aborted;
        // The stage's background is part of the picture: opaque everywhere.
        std::fill(out.alpha.begin(), out.alpha.end(), 1.0f);
        return RenderResult::Done;
    } catch (const std::exception &e) {
        error = e.what();
        return RenderResult::Failed;
    }
}

}  // namespace minihost
