// A scene's images admitted against the process's memory budget
// (core/system_memory.h) before they are decoded: while a command loads its
// scene, an image must fit beside the frame it will be drawn into; once the
// frame is drawn, an image a module loads must fit beside what is in use.
#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace minihost::cli {

class ImageAdmission {
public:
    // Counts the frame's buffers (render/render_session.h) with each image
    // until frameAdmitted(). One at a time: the last made sets the check.
    ImageAdmission();
    ~ImageAdmission();  // images are admitted freely again
    ImageAdmission(const ImageAdmission &) = delete;
    ImageAdmission &operator=(const ImageAdmission &) = delete;

    // The frame was admitted on its own and is drawn from now on: its
    // memory is in use, and so in the budget's own figures.
    void frameAdmitted() { state_->countFrame = false; }
    // Whether an image was refused; its message says the need and the budget.
    bool refused() const { return state_->refused; }

private:
    struct State {
        std::atomic<bool> countFrame{true}, refused{false};
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace minihost::cli
