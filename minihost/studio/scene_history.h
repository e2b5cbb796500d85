// The studio's undo history: for each change, every instance's saved data
// before and after it (as the instance's own save writes it), so a step is
// put back exactly, keys, textures and all, through the instance's own load.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "minihost/scene/scene.h"

namespace minihost::studio {

struct InstanceState {
    int id = 0;                       // the studio's id of the instance
    SceneSurface *surface = nullptr;  // null for a filter
    std::string server;
    std::string text;  // saved data, text representation
    bool operator==(const InstanceState &o) const {
        return id == o.id && surface == o.surface && server == o.server && text == o.text;
    }
};

struct SceneState {
    std::vector<InstanceState> instances;  // in the scene's order
    bool operator==(const SceneState &o) const { return instances == o.instances; }
};

class SceneHistory {
public:
    struct Step {
        std::string what;  // e.g. "Line color on Pawn/Body"
        SceneState before, after;
    };

    // A change made: what was undone and not redone is dropped; beyond
    // `kKept` steps the oldest goes.
    void record(std::string what, SceneState before, SceneState after);
    // The step to undo (moving back over it), or null.
    const Step *undo();
    // The step to redo (moving forward over it), or null.
    const Step *redo();

    std::size_t undoable() const { return done_; }
    std::size_t redoable() const { return steps_.size() - done_; }
    // What the next undo and redo would change, "" when none.
    std::string nextUndo() const { return done_ ? steps_[done_ - 1].what : std::string(); }
    std::string nextRedo() const { return done_ < steps_.size() ? steps_[done_].what : std::string(); }

    static constexpr std::size_t kKept = 200;

private:
    std::vector<Step> steps_;
    std::size_t done_ = 0;
};

}  // namespace minihost::studio
