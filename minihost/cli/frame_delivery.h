// Where each rendered frame goes: to the writer thread, into the run report
// (its stage times, peak memory, module messages, pixel hash and status),
// and onto the progress display. The report is written again after each
// frame's file is written.
#pragma once

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "minihost/cli/module_errors.h"
#include "minihost/cli/output_paths.h"
#include "minihost/cli/range_progress.h"
#include "minihost/cli/render_report.h"
#include "minihost/render/frame_writer.h"
#include "minihost/scene/scene.h"

namespace minihost::cli {

class FrameDelivery {
public:
    // `frames`: the frames to render, in order. `times`: the render's running
    // totals, read at each frame. A range of frames gets per-frame lines and
    // an overall bar.
    FrameDelivery(const Scene &scene, const OutputPlan &outputs, const std::vector<int> &frames,
                  const FrameWriterOptions &options, RunReport &report, StageTimes &times, std::ostream &err);

    // The render's frame sink (render/render_session.h).
    bool deliver(int frame, const FrameBuffer &image, std::string &error);
    // Waits for the last write; false with `error` when it failed.
    bool finish(std::string &error);
    // The run stopped: the frame it was rendering gets `status`, unless the
    // stop came from another frame's write.
    void stopped(FrameStatus status);
    // Writes the report; a failure is said once, and remembered. Unless
    // `always`, a long list of quick frames skips writes so that writing the
    // report takes at most about a tenth of the run.
    void saveReport(bool always);
    bool reportSaved() const { return reportError_.empty(); }

private:
    // The file a frame is written to: its own, or, when a module reported an
    // error while it rendered, the failure's name beside it (kept in the
    // record), so that its own name never holds a frame without the
    // modules' work.
    std::string fileFor(int frame, FrameRecord *record) const;

    const Scene &scene_;
    const OutputPlan &outputs_;
    const std::vector<int> &frames_;
    RunReport &report_;
    StageTimes &times_;
    std::ostream &err_;
    FrameWriter writer_;
    std::unique_ptr<RangeProgress> progress_;
    MessageCursor messages_;
    StageTimes before_;
    std::chrono::steady_clock::time_point frameStart_ = std::chrono::steady_clock::now();
    std::size_t next_ = 0;            // index in frames_ of the frame being rendered
    FrameRecord *writing_ = nullptr;  // the frame whose file is being written
    bool writeFailed_ = false;
    std::string reportError_;
    double lastSaveSeconds_ = 0;
    std::chrono::steady_clock::time_point lastSaveEnd_{};
};

}  // namespace minihost::cli
