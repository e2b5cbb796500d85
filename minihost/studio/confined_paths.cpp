#include "minihost/studio/confined_paths.h"

#include <algorithm>
#include <cctype>

namespace minihost::studio {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool hasExtension(const fs::path &p, const std::string &extension) {
    return extension.empty() || lower(p.extension().string()) == "." + lower(extension);
}

// Whether `p` is `root` itself or lies below it (both canonical or weakly so).
bool within(const fs::path &root, const fs::path &p) {
    auto r = root.begin(), q = p.begin();
    for (; r != root.end(); ++r, ++q)
        if (q == p.end() || *r != *q) return false;
    return true;
}

}  // namespace

ConfinedFolder::ConfinedFolder(const fs::path &root) : root_(fs::canonical(root)) {}

bool ConfinedFolder::resolve(const std::string &request, const std::string &extension, fs::path &out,
                             std::string &error) const {
    if (request.empty()) {
        error = "no file name given";
        return false;
    }
    if (request.find('\0') != std::string::npos) {
        error = "the file name holds a NUL byte";
        return false;
    }
    const fs::path asked(request);
    if (asked.is_absolute()) {
        error = "\"" + request + "\": give a path inside " + root_.string() + ", relative to it";
        return false;
    }
    // Resolves every link that exists, so a link inside that points outside
    // is caught too; the parts that do not exist yet are normalised.
    std::error_code ec;
    const fs::path full = fs::weakly_canonical(root_ / asked, ec);
    if (ec || !within(root_, full) || full == root_) {
        error = "\"" + request + "\" is outside " + root_.string();
        return false;
    }
    if (!hasExtension(full, extension)) {
        error = "\"" + request + "\" is not a ." + extension + " file";
        return false;
    }
    out = full;
    return true;
}

std::string ConfinedFolder::shown(const fs::path &full) const {
    return within(root_, full) ? full.lexically_relative(root_).generic_string() : full.string();
}

std::vector<std::string> ConfinedFolder::list(const std::string &extension, size_t limit) const {
    std::vector<std::string> out;
    std::error_code ec;
    fs::recursive_directory_iterator it(root_, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end && out.size() < limit; it.increment(ec)) {
        if (it.depth() >= 4) it.disable_recursion_pending();
        std::error_code typeError;
        if (it->is_regular_file(typeError) && hasExtension(it->path(), extension)) {
            fs::path real = fs::weakly_canonical(it->path(), typeError);
            if (!typeError && within(root_, real)) out.push_back(shown(it->path()));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace minihost::studio
