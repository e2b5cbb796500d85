#include "minihost/files/module_search.h"

#include <filesystem>

namespace minihost {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> &searchPath() {
    static std::vector<std::string> folders;
    return folders;
}

}  // namespace

bool isModuleName(const std::string &text) {
    const bool endsInSo = text.size() >= 3 && text.compare(text.size() - 3, 3, ".so") == 0;
    return !text.empty() && text.find('/') == std::string::npos && !endsInSo && text != "." && text != "..";
}

void setModuleSearchPath(std::vector<std::string> folders) { searchPath() = std::move(folders); }
const std::vector<std::string> &moduleSearchPath() { return searchPath(); }

std::string builtModuleFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    // The build's layout, from the executable's folder to the modules'.
    return (exe.parent_path() / QR_BUILT_MODULES_FROM_EXE).lexically_normal().string();
}

std::vector<ModuleFolder> moduleFolders(std::optional<std::string> sceneFolder) {
    std::vector<ModuleFolder> folders;
    if (sceneFolder)
        folders.push_back({sceneFolder->empty() ? std::string(".") : *sceneFolder, "the scene's folder"});
    for (const std::string &folder : moduleSearchPath()) folders.push_back({folder, "--module-path"});
    const std::string built = builtModuleFolder();
    if (!built.empty()) folders.push_back({built, "beside minihost"});
    return folders;
}

std::string findModule(const std::string &name, const std::vector<ModuleFolder> &folders) {
    std::error_code ec;
    for (const ModuleFolder &folder : folders) {
        const fs::path candidate = fs::path(folder.path) / (name + ".so");
        if (fs::is_regular_file(candidate, ec)) return candidate.lexically_normal().string();
    }
    return {};
}

}  // namespace minihost
