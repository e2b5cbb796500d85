#include "minihost/cli/frame_delivery.h"

#include "minihost/core/process_memory.h"
#include "minihost/files/atomic_file.h"
#include "minihost/render/camera_matrices.h"
#include "minihost/render/frame_names.h"

namespace minihost::cli {

namespace {

using Clock = std::chrono::steady_clock;

FrameTags tagsOf(const Scene &scene, int frame) {
    FrameTags tags;
    tags.frame = frame;
    if (const SceneItem *camera = scene.item(scene.renderCamera)) tags.camera = camera->name;
    tags.scene = scene.name;
    tags.view = cameraMatricesOf(cameraFrameAt(scene, scene.frameTime(frame)));
    return tags;
}

}  // namespace

std::string FrameDelivery::fileFor(int frame, FrameRecord *record) const {
    const std::string file = outputs_.imageOf(frame);
    std::string kind;
    // A device takes whatever comes; only a file could be mistaken for done.
    if (!record || !holdsError(record->messages) || outputTargetKind(file, kind) == OutputTarget::InPlace)
        return file;
    record->failedFile = failedFrameName(file);
    return record->failedFile;
}

FrameDelivery::FrameDelivery(const Scene &scene, const OutputPlan &outputs, const std::vector<int> &frames,
                             const FrameWriterOptions &options, RunReport &report, StageTimes &times,
                             std::ostream &err)
        : scene_(scene),
          outputs_(outputs),
          frames_(frames),
          report_(report),
          times_(times),
          err_(err),
          writer_(options),
          before_(times) {
    if (frames.size() > 1) progress_ = std::make_unique<RangeProgress>(err, static_cast<int>(frames.size()));
    resetPeakMemory();
}

bool FrameDelivery::deliver(int frame, const FrameBuffer &image, std::string &error) {
    FrameRecord *record = report_.find(frame);
    if (record) {
        record->seconds = std::chrono::duration<double>(Clock::now() - frameStart_).count();
        record->stages = stagesBetween(before_, times_);
        record->peakMemory = peakMemoryBytes();
        record->messages = messages_.take();
        record->status = FrameStatus::Rendering;
        record->layers = layerNames(image.layers.chosen);
    }
    if (!finish(error)) return false;
    writer_.start(image, fileFor(frame, record), tagsOf(scene_, frame));
    writing_ = record;
    ++next_;
    before_ = times_;
    resetPeakMemory();
    frameStart_ = Clock::now();
    return true;
}

bool FrameDelivery::finish(std::string &error) {
    std::string written;
    const bool ok = writer_.wait(written, error);
    if (!writing_) return ok;
    FrameRecord &record = *writing_;
    writing_ = nullptr;
    record.stages.output = writer_.writeSeconds();
    record.pixelHash = writer_.pixelHash();
    if (!ok) {
        record.status = FrameStatus::Failed;
        writeFailed_ = true;
    } else {
        record.status = holdsError(record.messages) ? FrameStatus::ModuleError : FrameStatus::Done;
        if (progress_)
            progress_->frameWritten(record.frame, written, record.seconds);
        else
            err_ << "minihost: wrote " << written << '\n';
    }
    saveReport(false);
    return ok;
}

void FrameDelivery::stopped(FrameStatus status) {
    if (writeFailed_ || next_ >= frames_.size()) return;
    FrameRecord *record = report_.find(frames_[next_]);
    if (!record || record->status != FrameStatus::Pending) return;
    record->status = status;
    record->seconds = std::chrono::duration<double>(Clock::now() - frameStart_).count();
    record->stages = stagesBetween(before_, times_);
    record->peakMemory = peakMemoryBytes();
    record->messages = messages_.take();
}

void FrameDelivery::saveReport(bool always) {
    const auto t0 = Clock::now();
    if (!always && std::chrono::duration<double>(t0 - lastSaveEnd_).count() < 10 * lastSaveSeconds_) return;
    std::string error;
    const bool saved = report_.save(error);
    lastSaveEnd_ = Clock::now();
    lastSaveSeconds_ = std::chrono::duration<double>(lastSaveEnd_ - t0).count();
    if (saved || !reportError_.empty()) return;
    reportError_ = error;
    err_ << "minihost: " << error << '\n';
}

}  // namespace minihost::cli
