// The one folder whose files the studio reads and writes: the scene's folder,
// or the folder given with --root. The folder is opened once; every file is
// then reached relative to that descriptor, one folder at a time, refusing a
// symbolic link at every step (RESOLVE_BENEATH and RESOLVE_NO_SYMLINKS where
// the kernel has openat2, O_NOFOLLOW on each part otherwise). A folder that
// another process swaps for a link while a file is written cannot carry the
// write outside: the check is the open itself.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace minihost::studio {

// Why a file operation was refused, so callers can answer in their own terms.
enum class FileRefusal {
    None,
    BadName,   // not a name the studio takes (empty, several lines, too long, ...)
    Outside,   // not a name below the folder, or through a symbolic link
    Missing,   // the file does not exist
    NoFolder,  // a folder on the way does not exist
    Exists,    // the file exists and was not to be replaced
    NotAFile,  // something other than a plain file is there
    Failed,    // the system refused (permissions, a full disk, ...)
};

class ConfinedFolder {
public:
    // `root` must be an existing folder; throws std::runtime_error otherwise.
    explicit ConfinedFolder(const std::filesystem::path &root);
    ~ConfinedFolder();
    ConfinedFolder(ConfinedFolder &&other) noexcept;
    ConfinedFolder(const ConfinedFolder &) = delete;
    ConfinedFolder &operator=(const ConfinedFolder &) = delete;
    ConfinedFolder &operator=(ConfinedFolder &&) = delete;

    const std::filesystem::path &root() const { return root_; }

    // A name from a request as a clean path relative to the folder, or the
    // refusal with `error` saying why: Outside when absolute or with "..";
    // BadName when empty, not one line of printable characters, with a part
    // longer than 255 bytes, or without the wanted extension (`extension` ""
    // accepts any; compared without regard to case).
    FileRefusal name(const std::string &request, const std::string &extension, std::string &relative,
                     std::string &error) const;

    // What is at `relative` now, without following a link.
    FileRefusal probe(const std::string &relative, std::string &error) const;
    // The whole file, at most `limit` bytes.
    FileRefusal read(const std::string &relative, std::size_t limit, std::string &bytes,
                     std::string &error) const;
    // Writes a temporary file in the target's folder and renames it into
    // place; with `replace` false an existing file is left alone (Exists).
    // The temporary is removed however the write ends. A replaced file keeps
    // its permissions; a new one gets 0644.
    FileRefusal write(const std::string &relative, const std::string &bytes, bool replace,
                      std::string &error) const;

    // `relative` (or a full path below the root) as the studio shows it.
    std::string shown(const std::filesystem::path &path) const;

    // Plain files below the folder whose extension is `extension`, relative
    // and sorted; at most `limit`, no deeper than four folders, never through
    // a link.
    std::vector<std::string> list(const std::string &extension, size_t limit) const;

private:
    // The folder holding `relative`, opened beneath the root; -1 with
    // `refusal` set when it cannot be.
    int openFolderOf(const std::string &relative, std::string &leaf, FileRefusal &refusal,
                     std::string &error) const;

    std::filesystem::path root_;
    int fd_ = -1;
};

}  // namespace minihost::studio
