#include "minihost/cli/render_report.h"

#include <algorithm>
#include <cmath>

#include "minihost/core/process_memory.h"
#include "minihost/files/atomic_file.h"

namespace minihost::cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr FrameStatus kAllStatuses[] = {FrameStatus::Pending,     FrameStatus::Rendering, FrameStatus::Done,
                                        FrameStatus::ModuleError, FrameStatus::Skipped,   FrameStatus::Failed,
                                        FrameStatus::Aborted};

// Seconds to the millisecond: reports are read by people too.
double rounded(double seconds) { return std::round(seconds * 1000.0) / 1000.0; }

Json stagesJson(const StageTimes &t, bool withLoad) {
    Json j;
    if (withLoad) j["load"] = rounded(t.load);
    j["new_time"] = rounded(t.newTime);
    j["geometry"] = rounded(t.geometry);
    j["shading"] = rounded(t.shading);
    j["pixel_filters"] = rounded(t.pixelFilters);
    j["image_filters"] = rounded(t.imageFilters);
    j["output"] = rounded(t.output);
    return j;
}

Json frameJson(const FrameRecord &r) {
    Json j;
    j["frame"] = r.frame;
    j["file"] = r.file;
    j["status"] = statusName(r.status);
    if (!r.failedFile.empty()) j["failed_file"] = r.failedFile;
    if (r.status == FrameStatus::Pending || r.status == FrameStatus::Skipped) return j;
    j["seconds"] = rounded(r.seconds);
    j["stages"] = stagesJson(r.stages, false);
    j["peak_memory_bytes"] = r.peakMemory;
    if (!r.pixelHash.empty()) j["pixel_hash"] = r.pixelHash;
    if (!r.layers.empty()) j["layers"] = r.layers;
    Json messages = Json::array();
    for (const RecordedMessage &m : r.messages)
        messages.push_back({{"kind", m.kind}, {"text", m.line1}, {"detail", m.line2}});
    j["messages"] = messages;
    return j;
}

}  // namespace

const char *statusName(FrameStatus status) {
    switch (status) {
    case FrameStatus::Pending: return "pending";
    case FrameStatus::Rendering: return "rendering";
    case FrameStatus::Done: return "done";
    case FrameStatus::ModuleError: return "module-error";
    case FrameStatus::Skipped: return "skipped";
    case FrameStatus::Failed: return "failed";
    case FrameStatus::Aborted: return "aborted";
    }
    return "pending";
}

StageTimes stagesBetween(const StageTimes &before, const StageTimes &after) {
    StageTimes t;
    t.newTime = after.newTime - before.newTime;
    t.geometry = after.geometry - before.geometry;
    t.shading = after.shading - before.shading;
    t.pixelFilters = after.pixelFilters - before.pixelFilters;
    t.imageFilters = after.imageFilters - before.imageFilters;
    return t;
}

RunReport::RunReport(std::string path, std::string scene, std::string output)
        : path_(std::move(path)), scene_(std::move(scene)), output_(std::move(output)) {}

FrameRecord &RunReport::add(int frame, std::string file) {
    frames_.push_back({});
    frames_.back().frame = frame;
    frames_.back().file = std::move(file);
    return frames_.back();
}

FrameRecord *RunReport::find(int frame) {
    auto it = std::lower_bound(frames_.begin(), frames_.end(), frame,
                               [](const FrameRecord &r, int f) { return r.frame < f; });
    return it != frames_.end() && it->frame == frame ? &*it : nullptr;
}

void RunReport::finish(const std::string &state, int exitStatus, const StageTimes &totals,
                       const std::string &error) {
    state_ = state;
    exitStatus_ = exitStatus;
    totals_ = totals;
    error_ = error;
}

Json RunReport::toJson() const {
    Json j;
    j["scene"] = scene_;
    j["output"] = output_;
    j["state"] = state_;
    j["exit_status"] = exitStatus_ < 0 ? Json() : Json(exitStatus_);
    if (!error_.empty()) j["error"] = error_;
    Json frames = Json::array();
    std::size_t peak = 0;
    for (const FrameRecord &r : frames_) {
        frames.push_back(frameJson(r));
        peak = std::max(peak, r.peakMemory);
    }
    Json totals;
    totals["frames"] = frames_.size();
    for (FrameStatus status : kAllStatuses)
        totals[statusName(status)] = std::count_if(frames_.begin(), frames_.end(),
                                                   [&](const FrameRecord &r) { return r.status == status; });
    totals["seconds"] =
        rounded(std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
    totals["stages"] = stagesJson(totals_, true);
    totals["peak_memory_bytes"] = std::max(peak, peakMemoryBytes());
    j["totals"] = totals;
    j["frames"] = frames;
    return j;
}

bool RunReport::save(std::string &error) const {
    if (path_.empty()) return true;
    try {
        // Names and messages that are not UTF-8 are kept, their bad bytes replaced.
        const std::string text = toJson().dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
        return writeFileAtomically(path_, text, error);
    } catch (const std::exception &e) {
        error = path_ + ": cannot write the report: " + e.what();
        return false;
    }
}

}  // namespace minihost::cli
