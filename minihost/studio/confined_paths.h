// The one folder whose files the studio reads and writes: the scene's folder,
// or the folder given with --root. A path from a request is taken relative to
// it and must stay inside it after every "..", symbolic link and absolute
// component is resolved; anything else is refused.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace minihost::studio {

class ConfinedFolder {
public:
    // `root` must be an existing folder; it is made canonical once.
    explicit ConfinedFolder(const std::filesystem::path &root);

    const std::filesystem::path &root() const { return root_; }

    // The full path of `request` inside the folder, or false with `error`
    // saying why it is refused: empty, a NUL byte, outside the folder, or a
    // name without the wanted extension (`extension` "" accepts any; it is
    // compared without regard to case).
    bool resolve(const std::string &request, const std::string &extension, std::filesystem::path &out,
                 std::string &error) const;

    // `full` as the studio shows it: relative to the folder.
    std::string shown(const std::filesystem::path &full) const;

    // Files below the folder whose extension is `extension`, relative and
    // sorted; at most `limit`, searching no deeper than four folders.
    std::vector<std::string> list(const std::string &extension, size_t limit) const;

private:
    std::filesystem::path root_;
};

}  // namespace minihost::studio
