#include "minihost/studio/frame_renderer.h"

#include <atomic>
#include <cmath>

#include "minihost/core/render_memory_blocks.h"
#include "minihost/render/render_session.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/progress_bar.h"

namespace minihost::studio {

namespace {

// Clamped and rounded as the PNG output does, so the page shows what
// `minihost render` writes.
uint8_t toByte(float v) {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

std::vector<uint8_t> rgbaBytes(const FrameBuffer &b) {
    const size_t n = static_cast<size_t>(b.width) * static_cast<size_t>(b.height);
    std::vector<uint8_t> out(n * 4);
    for (size_t i = 0; i < n; ++i) {
        out[4 * i] = toByte(b.red[i]);
        out[4 * i + 1] = toByte(b.green[i]);
        out[4 * i + 2] = toByte(b.blue[i]);
        out[4 * i + 3] = toByte(b.alpha[i]);
    }
    return out;
}

// The lines layer as the page draws it: straight colour, the coverage as alpha.
std::vector<uint8_t> linesLayerBytes(const FrameBuffer &b) {
    const std::vector<float>(&lines)[4] = b.layers.lines;
    std::vector<uint8_t> out(lines[3].size() * 4, 0);
    for (size_t i = 0; i < lines[3].size(); ++i) {
        const float a = lines[3][i];
        if (!(a > 0)) continue;
        for (int c = 0; c < 3; ++c) out[4 * i + static_cast<size_t>(c)] = toByte(lines[c][i] / a);
        out[4 * i + 3] = toByte(a);
    }
    return out;
}

// The progress of the render under way, as its stages report it.
std::atomic<unsigned> gProgressDone{0}, gProgressTotal{0};
std::mutex gStageMutex;
std::string gStage;

void heardProgress(const char *title, unsigned done, unsigned total) {
    gProgressDone = done;
    gProgressTotal = total;
    std::lock_guard<std::mutex> l(gStageMutex);
    if (gStage != title) gStage = title;
}

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

FrameRenderer::FrameRenderer(Scene &scene, ServerSet &servers, SceneLock &lock, RenderSizes sizes,
                             int threads)
        : scene_(scene), servers_(servers), lock_(lock), sizes_(sizes), threads_(threads) {
    frame_ = scene.firstFrame;
    setProgressListener(&heardProgress);
}

FrameRenderer::~FrameRenderer() {
    stop();
    setProgressListener(nullptr);
}

void FrameRenderer::start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void FrameRenderer::stop() {
    {
        std::lock_guard<std::mutex> l(mutex_);
        stopping_ = true;
    }
    requestAbort();
    wanted_.notify_all();
    published_.notify_all();
    if (thread_.joinable()) thread_.join();
    clearAbort();
}

void FrameRenderer::invalidate() {
    {
        std::lock_guard<std::mutex> l(mutex_);
        ++wantedGeneration_;
        changedAt_ = Clock::now();
    }
    wanted_.notify_all();
}

void FrameRenderer::show(int frame, View view) {
    {
        std::lock_guard<std::mutex> l(mutex_);
        frame_ = frame;
        view_ = view;
    }
    invalidate();
}

int FrameRenderer::frame() const {
    std::lock_guard<std::mutex> l(mutex_);
    return frame_;
}

View FrameRenderer::view() const {
    std::lock_guard<std::mutex> l(mutex_);
    return view_;
}

std::shared_ptr<const FrameImage> FrameRenderer::latest() const {
    std::lock_guard<std::mutex> l(mutex_);
    return latest_;
}

void FrameRenderer::cancel() {
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (wantedGeneration_ == doneGeneration_) return;
        doneGeneration_ = wantedGeneration_;
    }
    // The render in progress sees the abort; the next change clears it.
    requestAbort();
}

RenderStatus FrameRenderer::status() const {
    RenderStatus s;
    {
        std::lock_guard<std::mutex> l(mutex_);
        s.rendering = wantedGeneration_ != doneGeneration_;
        s.full = renderingFull_;
        s.seconds = secondsSince(changedAt_);
    }
    if (!s.rendering) return s;
    const unsigned total = gProgressTotal;
    s.progress = total ? std::min(1.0, static_cast<double>(gProgressDone) / total) : 0.0;
    std::lock_guard<std::mutex> l(gStageMutex);
    s.stage = gStage;
    return s;
}

std::shared_ptr<const FrameImage> FrameRenderer::newerThan(uint64_t since,
                                                           std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> l(mutex_);
    published_.wait_for(l, timeout, [&] { return stopping_ || (latest_ && latest_->version > since); });
    return latest_;
}

void FrameRenderer::run() {
    for (;;) {
        {
            std::unique_lock<std::mutex> l(mutex_);
            wanted_.wait(l, [&] { return stopping_ || wantedGeneration_ != doneGeneration_; });
            if (stopping_) return;
        }
        if (!renderWanted()) {
            // A change waits for the scene: give it the time to take it.
            if (lock_.changeWaiting()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

bool FrameRenderer::renderWanted() {
    // Aborts were meant for renders before this one; a change that comes
    // after this line is seen by changeWaiting() or aborts this render.
    clearAbort();
    std::shared_lock<std::shared_mutex> shared(lock_.mutex(), std::defer_lock);
    std::unique_lock<std::shared_mutex> alone(lock_.mutex(), std::defer_lock);
    if (viewChangesInstances(view()))
        alone.lock();
    else
        shared.lock();
    // The view may have changed while the lock was awaited: a render that
    // writes to instances must keep readers out.
    if (lock_.changeWaiting() || viewChangesInstances(view()) != alone.owns_lock()) return false;
    uint64_t generation;
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (stopping_) return false;
        generation = wantedGeneration_;
    }
    const bool preview = sizes_.previewWidth < sizes_.fullWidth || sizes_.previewHeight < sizes_.fullHeight;
    if (preview && !renderOne(sizes_.previewWidth, sizes_.previewHeight, false, generation)) return false;
    if (!renderOne(sizes_.fullWidth, sizes_.fullHeight, true, generation)) return false;
    std::lock_guard<std::mutex> l(mutex_);
    doneGeneration_ = generation;
    return true;
}

bool FrameRenderer::renderOne(int width, int height, bool full, uint64_t generation) {
    if (abortRequested() || lock_.changeWaiting()) return false;
    const int frame = this->frame();
    const View view = this->view();
    const auto start = Clock::now();
    {
        std::lock_guard<std::mutex> l(mutex_);
        renderingFull_ = full;
    }
    gProgressDone = 0;
    gProgressTotal = 0;
    const size_t refusedBefore = renderMemoryRefusals().size();
    // Every render starts from fresh render memory: a store made at another
    // size or oversampling, or one that an aborted pass marked as failed,
    // must not carry over.
    discardRenderMemory();
    std::vector<uint8_t> pixels;
    RenderResult result;
    std::string error;
    {
        ViewScope scope(scene_, servers_, view, width, height);
        RenderOptions options;
        options.firstFrame = options.lastFrame = frame;
        options.threads = threads_;
        options.filters = viewRunsFilters(view);
        options.layers.lines = view == View::LinesLayer;
        options.progress = true;  // heard by heardProgress, printed nowhere
        StageTimes times;
        auto keep = [&](int, const FrameBuffer &image, std::string &) {
            pixels = view == View::LinesLayer ? linesLayerBytes(image) : rgbaBytes(image);
            return true;
        };
        result = renderFrames(scene_, servers_, options, keep, times, error);
    }
    if (result == RenderResult::Aborted) return false;

    auto image = std::make_shared<FrameImage>();
    image->width = width;
    image->height = height;
    image->frame = frame;
    image->view = view;
    image->full = full;
    image->renderSeconds = secondsSince(start);
    // Render memory the modules asked for and the machine could not give:
    // the page says so, since the modules then draw no outlines.
    const auto refused = renderMemoryRefusals();
    for (size_t i = refusedBefore; i < refused.size(); ++i)
        image->note += (image->note.empty() ? "render memory refused: " : ", ") + refused[i];
    if (result == RenderResult::Done) {
        image->rgba = std::move(pixels);
    } else {
        // A failed render is shown as its message; rendering it again would
        // fail again, so the generation counts as done.
        image->error = error.empty() ? "the render failed" : error;
    }
    return publish(std::move(image), generation) && result == RenderResult::Done;
}

bool FrameRenderer::publish(std::shared_ptr<FrameImage> image, uint64_t generation) {
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (generation != wantedGeneration_ || stopping_) return false;
        image->sinceChangeSeconds = secondsSince(changedAt_);
        image->version = nextVersion_++;
        if (!image->error.empty()) doneGeneration_ = generation;
        latest_ = std::move(image);
    }
    published_.notify_all();
    return true;
}

}  // namespace minihost::studio
