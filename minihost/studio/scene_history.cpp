#include "minihost/studio/scene_history.h"

namespace minihost::studio {

void SceneHistory::record(std::string what, SceneState before, SceneState after) {
    steps_.resize(done_);
    steps_.push_back(Step{std::move(what), std::move(before), std::move(after)});
    if (steps_.size() > kKept) steps_.erase(steps_.begin());
    done_ = steps_.size();
}

const SceneHistory::Step *SceneHistory::undo() {
    if (done_ == 0) return nullptr;
    return &steps_[--done_];
}

const SceneHistory::Step *SceneHistory::redo() {
    if (done_ >= steps_.size()) return nullptr;
    return &steps_[done_++];
}

}  // namespace minihost::studio
