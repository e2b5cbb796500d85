// The studio's renderer: one thread that renders the frame the page shows,
// first at preview size, then at full size, with the scene's own render
// session. A change made meanwhile (see SceneLock) stops the running render;
// the renderer then starts over with what the change left.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "minihost/scene/scene.h"
#include "minihost/servers/server_instances.h"
#include "minihost/studio/frame_views.h"
#include "minihost/studio/scene_lock.h"

namespace minihost::studio {

// One finished image, as the page draws it.
struct FrameImage {
    uint64_t version = 0;  // goes up with every image published
    int width = 0, height = 0;
    int frame = 0;
    View view = View::WithOutlines;
    bool full = false;              // false: the preview
    double renderSeconds = 0;       // this image's render
    double sinceChangeSeconds = 0;  // from the change it shows to this image
    std::vector<uint8_t> rgba;      // 8 bits per channel, rows from the top
    std::string error;              // set, with no pixels, when the render failed
    std::string note;               // what the render was refused (render memory), if anything
};

// What the renderer is doing, for the page's "rendering" state.
struct RenderStatus {
    bool rendering = false;  // a change is not yet shown at full size
    bool full = false;       // the full-size image is being rendered (else the preview)
    std::string stage;       // "shading", "pixel filters", ...
    double progress = 0;     // of that stage, 0 to 1
    double seconds = 0;      // since the change
};

struct RenderSizes {
    int fullWidth = 0, fullHeight = 0;
    int previewWidth = 0, previewHeight = 0;  // a preview as large as the frame is skipped
};

class FrameRenderer {
public:
    FrameRenderer(Scene &scene, ServerSet &servers, SceneLock &lock, RenderSizes sizes, int threads);
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer &) = delete;
    FrameRenderer &operator=(const FrameRenderer &) = delete;

    void start();
    void stop();

    // Called inside a change: the image on show is out of date.
    void invalidate();
    // Called inside a change: the frame and view to render from now on.
    void show(int frame, View view);
    int frame() const;
    View view() const;
    const RenderSizes &sizes() const { return sizes_; }

    // The newest image, once there is one newer than `since`, waiting up to
    // `timeout` for it; the newest (or null) when the wait runs out.
    std::shared_ptr<const FrameImage> newerThan(uint64_t since, std::chrono::milliseconds timeout);
    // The newest image at once, or null.
    std::shared_ptr<const FrameImage> latest() const;

    // Stops the running render; the image on show stays until the next change.
    void cancel();
    RenderStatus status() const;

private:
    using Clock = std::chrono::steady_clock;
    void run();
    // Renders the wanted images; false when a change or stop cut it short.
    bool renderWanted();
    bool renderOne(int width, int height, bool full, uint64_t generation);
    bool publish(std::shared_ptr<FrameImage> image, uint64_t generation);

    Scene &scene_;
    ServerSet &servers_;
    SceneLock &lock_;
    const RenderSizes sizes_;
    const int threads_;

    mutable std::mutex mutex_;
    std::condition_variable wanted_, published_;
    uint64_t wantedGeneration_ = 1, doneGeneration_ = 0;
    Clock::time_point changedAt_ = Clock::now();
    int frame_ = 1;
    View view_ = View::WithOutlines;
    std::shared_ptr<const FrameImage> latest_;
    uint64_t nextVersion_ = 1;
    bool stopping_ = false;
    bool renderingFull_ = false;
    std::thread thread_;
};

}  // namespace minihost::studio
