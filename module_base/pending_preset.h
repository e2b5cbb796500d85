// The shader utility's hand-off to the edge shader: the preset file chosen in
// the utility's dialog, and whether the utility is adding shaders right now.
// While it is, every new edge-shader instance loads that preset.
//
// The dialog, the surface pass and the instances it creates all run on the
// host's interface thread, one after the other, so the slot takes no lock.
#pragma once

namespace qr {

class PendingPreset {
public:
    // The path buffer's bytes, NUL included.
    static constexpr int kPathSize = 260;

    constexpr PendingPreset() noexcept = default;
    PendingPreset(const PendingPreset &) = delete;
    PendingPreset &operator=(const PendingPreset &) = delete;

    // Keeps a copy of `path` (null or empty: no preset). A path that does not
    // fit the buffer with its NUL is refused whole, leaving no preset, since
    // a shortened path would name another file.
    bool setPath(const char *path) noexcept;
    void clearPath() noexcept { path_[0] = '\0'; }

    // Set while the shader utility adds shaders to surfaces.
    void startApplying() noexcept { applying_ = true; }
    void stopApplying() noexcept { applying_ = false; }

    // The preset a new shader instance loads now: the path while applying,
    // null when not applying or when no preset was chosen.
    const char *presetToApply() const noexcept { return applying_ && path_[0] != '\0' ? path_ : nullptr; }

private:
    bool applying_ = false;
    char path_[kPathSize] = {};
};

PendingPreset &pendingPreset() noexcept;

}  // namespace qr
