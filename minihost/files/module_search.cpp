#include "minihost/files/module_search.h"

#include <cstdlib>
#include <filesystem>

namespace minihost {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> &searchPath() {
    static std::vector<std::string> folders;
    return folders;
}

bool &sceneModules() {
    static bool allowed = false;
    return allowed;
}

// The variable's folders; empty entries (a stray ':') are no folder.
std::vector<std::string> variableFolders() {
    std::vector<std::string> folders;
    const char *value = std::getenv(kModulePathVariable);
    if (!value) return folders;
    const std::string list(value);
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

// One spelling per folder: absolute, links and ".." resolved.
fs::path resolved(const fs::path &path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    const fs::path canonical = fs::weakly_canonical(absolute, ec);
    return (ec ? absolute : canonical).lexically_normal();
}

bool within(const fs::path &file, const fs::path &folder) {
    const fs::path relative = file.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

bool isModuleName(const std::string &text) {
    const bool endsInSo = text.size() >= 3 && text.compare(text.size() - 3, 3, ".so") == 0;
    return !text.empty() && text.find('/') == std::string::npos && !endsInSo && text != "." && text != "..";
}

void setModuleSearchPath(std::vector<std::string> folders) { searchPath() = std::move(folders); }
const std::vector<std::string> &moduleSearchPath() { return searchPath(); }

void setSceneModulesAllowed(bool allowed) { sceneModules() = allowed; }
bool sceneModulesAllowed() { return sceneModules(); }

std::string builtModuleFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    // The build's layout, from the executable's folder to the modules'.
    return (exe.parent_path() / QR_BUILT_MODULES_FROM_EXE).lexically_normal().string();
}

std::vector<ModuleFolder> moduleFolders(std::optional<std::string> sceneFolder) {
    std::vector<ModuleFolder> folders;
    if (sceneFolder && sceneModulesAllowed())
        folders.push_back({sceneFolder->empty() ? std::string(".") : *sceneFolder, "the scene's folder"});
    for (const std::string &folder : moduleSearchPath()) folders.push_back({folder, "--module-path"});
    for (const std::string &folder : variableFolders()) folders.push_back({folder, kModulePathVariable});
    const std::string built = builtModuleFolder();
    if (!built.empty()) folders.push_back({built, "beside minihost"});
    return folders;
}

std::string findModule(const std::string &name, const std::vector<ModuleFolder> &folders,
                       std::string *foundIn) {
    std::error_code ec;
    for (const ModuleFolder &folder : folders) {
        const fs::path candidate = fs::path(folder.path) / (name + ".so");
        if (!fs::is_regular_file(candidate, ec)) continue;
        if (foundIn) *foundIn = folder.role;
        return candidate.lexically_normal().string();
    }
    return {};
}

bool isTrustedModulePath(const std::string &path) {
    if (sceneModulesAllowed()) return true;
    // The file's folder resolved, not the file: a link in a trusted folder
    // is that folder's to keep.
    const fs::path given(path), parent = given.parent_path();
    const fs::path file = resolved(parent.empty() ? fs::path(".") : parent) / given.filename();
    for (const ModuleFolder &trusted : moduleFolders(std::nullopt))
        if (within(file, resolved(trusted.path))) return true;
    return false;
}

}  // namespace minihost
