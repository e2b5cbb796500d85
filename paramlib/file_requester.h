// The preset file requester: a wrapper of the host's "File Request" that
// builds the requester's pattern from a wanted extension, remembers the folder
// between calls, makes sure the chosen name carries the extension and hands
// back the chosen file's name and full path.
//
// Each module has one, for its presets, living as long as the module. It is
// used from the host's interface thread only (the shader's preset pop-up).
#pragma once

#include <string>

#include "module_base/module_object_slot.h"

namespace qr {

// The size of every buffer handed to the host requester, NUL included.
inline constexpr int kRequesterBufferSize = 260;

class FileRequester {
public:
    FileRequester() noexcept = default;
    FileRequester(const FileRequester &) = delete;
    FileRequester &operator=(const FileRequester &) = delete;

    // Asks the host for a file to open (forSaving false) or to save. True when
    // the user chose one: fileName() and fullPath() then hold the choice,
    // completed with the extension. False when the user cancelled, when the
    // host has no requester, or when the completed name or path would not fit
    // the 260-byte buffers; both strings are then empty and nothing is to be
    // opened. `extension` may be null (no pattern, no completion) and may be
    // given with or without its leading dot.
    bool request(const char *title, const char *extension, bool forSaving);

    const std::string &fileName() const noexcept { return fileName_; }
    const std::string &fullPath() const noexcept { return fullPath_; }
    // The folder the host reported last; offered again at the next request.
    const char *folder() const noexcept { return folder_; }

private:
    char folder_[kRequesterBufferSize] = {};
    std::string fileName_;
    std::string fullPath_;
};

// The requester is the third of the module-wide objects; the module frame
// binds it here.
ModuleObjectSlot<FileRequester> &presetRequesterSlot() noexcept;

}  // namespace qr
