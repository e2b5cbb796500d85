// The run report of `render --report FILE`: what happened to each frame and
// to the run, as JSON for pipelines. It is written whole (through a
// temporary) after each frame and at the end, so a reader never finds it
// half-written, even when the run was stopped. docs/command-line.md lists
// the fields.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "minihost/core/info_messages.h"
#include "minihost/render/render_session.h"

namespace minihost::cli {

// What became of a frame.
enum class FrameStatus {
    Pending,      // not rendered (yet)
    Rendering,    // rendered, its file being written
    Done,         // its file written
    ModuleError,  // a module reported an error: written beside its file, as failedFile
    Skipped,      // its file existed whole (--skip-existing)
    Failed,       // the run failed on it
    Aborted,      // stopped by Ctrl-C while it rendered
};
const char *statusName(FrameStatus status);

struct FrameRecord {
    int frame = 0;
    std::string file;
    std::string failedFile;  // where a frame with a module's error went instead of `file`
    FrameStatus status = FrameStatus::Pending;
    double seconds = 0;  // rendering it, from new-time to the image filters
    StageTimes stages;   // this frame's stages; `output` is its file's encoding and writing
    std::size_t peakMemory = 0;
    std::string pixelHash;
    std::vector<std::string> layers;  // the file's layers besides its picture
    std::vector<RecordedMessage> messages;
};

class RunReport {
public:
    // `path` "" keeps the records without writing them.
    RunReport(std::string path, std::string scene, std::string output);

    // Frames are added in ascending order, each once.
    FrameRecord &add(int frame, std::string file);
    FrameRecord *find(int frame);
    const std::vector<FrameRecord> &frames() const { return frames_; }

    // The run's end: its state ("finished", "aborted", "failed"), exit
    // status, stage totals and the error that stopped it, if any.
    void finish(const std::string &state, int exitStatus, const StageTimes &totals, const std::string &error);

    // Writes the report (nothing when it has no path). False with `error`
    // set when it cannot be written.
    bool save(std::string &error) const;

    nlohmann::ordered_json toJson() const;

private:
    std::string path_, scene_, output_;
    std::vector<FrameRecord> frames_;
    std::string state_ = "running", error_;
    int exitStatus_ = -1;  // none yet
    StageTimes totals_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The stages of `after` less those of `before` (the output stage left out).
StageTimes stagesBetween(const StageTimes &before, const StageTimes &after);

}  // namespace minihost::cli
