// A private folder for the files a module reads or writes by path (presets):
// made with mkdtemp (mode 0700, so no other user can put a link in it) and
// removed with everything in it when the studio stops. The studio copies a
// file between it and the files folder with ConfinedFolder, so a module's
// own file services never touch the files folder by path.
#pragma once

#include <string>

namespace minihost::studio {

class StagingFolder {
public:
    // Throws std::runtime_error when the folder cannot be made.
    StagingFolder();
    ~StagingFolder();
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;

    // The full path of `name` in the folder (a short name: the modules' file
    // buffers hold 259 bytes).
    std::string path(const std::string &name) const { return folder_ + "/" + name; }
    // Writes `bytes` as `name`, replacing what was there.
    bool put(const std::string &name, const std::string &bytes) const;
    // The bytes of `name`, at most `limit`; false when there is no such file.
    bool take(const std::string &name, std::size_t limit, std::string &bytes) const;
    void remove(const std::string &name) const;

private:
    std::string folder_;
};

}  // namespace minihost::studio
