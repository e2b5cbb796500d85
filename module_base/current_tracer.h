// The current tracer: the tracer instance whose tolerances the shader panel's
// "Get global settings" copies (module_base/tracer_tolerances.h). A TraceStep1
// instance in the stroke edition, a line tracer in the line edition; the slot
// keeps only its address.
//
// The first instance created fills an empty slot, a render's initialisation
// makes the rendering instance current, and destroying the current one
// empties the slot. The host makes these calls in its own order, never
// during a frame's rendering, so the slot takes no lock.
#pragma once

namespace qr {

class CurrentTracer {
public:
    constexpr CurrentTracer() noexcept = default;
    CurrentTracer(const CurrentTracer &) = delete;
    CurrentTracer &operator=(const CurrentTracer &) = delete;

    // A new instance: current only when none is.
    void offer(const void *tracer) noexcept {
        if (!tracer_) tracer_ = tracer;
    }
    // The instance that renders now.
    void makeCurrent(const void *tracer) noexcept { tracer_ = tracer; }
    // A destroyed instance: when it was current, none is.
    void withdraw(const void *tracer) noexcept {
        if (tracer_ == tracer) tracer_ = nullptr;
    }
    const void *get() const noexcept { return tracer_; }

private:
    const void *tracer_ = nullptr;
};

CurrentTracer &currentTracer() noexcept;

}  // namespace qr
