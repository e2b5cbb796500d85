// Where a subsystem finds a module-wide object that the module frame owns.
//
// The module frame creates the module-wide objects when the module is loaded,
// in one fixed order, and destroys them in the reverse order at unload
// (module/module_objects.h). A subsystem that uses one of them keeps a slot:
// the frame binds the object to it once the object exists and unbinds it
// before destroying it. The subsystem thus reaches its object without naming
// the frame, and the frame alone decides the order.
#pragma once

namespace qr {

template <typename T>
class ModuleObjectSlot {
public:
    constexpr ModuleObjectSlot() noexcept = default;
    ModuleObjectSlot(const ModuleObjectSlot &) = delete;
    ModuleObjectSlot &operator=(const ModuleObjectSlot &) = delete;

    // The bound object. Only code that runs while the module is loaded (every
    // callback) may ask; the frame binds before the host can call anything.
    T &operator*() const noexcept { return *object_; }
    T *operator->() const noexcept { return object_; }
    bool bound() const noexcept { return object_ != nullptr; }

    void bind(T *object) noexcept { object_ = object; }

private:
    T *object_ = nullptr;
};

}  // namespace qr
