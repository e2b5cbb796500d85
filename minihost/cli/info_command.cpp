#include "minihost/cli/info_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <set>

#include "minihost/assets/asset_formats.h"
#include "minihost/cli/scene_info.h"
#include "minihost/cli/scene_session.h"
#include "minihost/core/loader.h"
#include "minihost/files/module_search.h"

namespace minihost::cli {

namespace {

// A scene (.json) or a model file is described; anything else is a module.
bool describesScene(const std::string &path) {
    return isAssetFile(path) || isObjFile(path) || std::filesystem::path(path).extension() == ".json";
}

}  // namespace

int runInfo(const std::vector<std::string> &paths, std::ostream &out, std::ostream &err) {
    int status = 0;
    bool first = true;
    for (const std::string &path : paths) {
        if (describesScene(path)) {
            if (!first) out << '\n';
            first = false;
            SceneSession session;
            if (session.load(path, err))
                printSceneInfo(session.scene(), out);
            else
                status = 1;
            continue;
        }
        std::string error;
        std::unique_ptr<LoadedModule> module = LoadedModule::open(path, error);
        if (!module) {
            err << "minihost: " << error << '\n';
            status = 1;
            continue;
        }
        if (!first) out << '\n';
        first = false;
        const auto &servers = module->servers();
        out << path << ": " << servers.size() << (servers.size() == 1 ? " server" : " servers") << '\n';
        std::size_t width = 0;
        for (const ServerEntry &server : servers) width = std::max(width, server.className.size());
        for (const ServerEntry &server : servers)
            out << "  " << std::left << std::setw(static_cast<int>(width)) << server.className << "  "
                << server.name << '\n';
    }
    return status;
}

int runModuleListing(std::ostream &out, std::ostream &err) {
    namespace fs = std::filesystem;
    int status = 0;
    std::set<std::string> seen;
    for (const ModuleFolder &folder : moduleFolders(std::nullopt)) {
        std::error_code ec;
        if (!fs::is_directory(folder.path, ec)) {
            err << "minihost: " << folder.path << " (" << folder.role << "): no such folder\n";
            status = 1;
            continue;
        }
        std::vector<fs::path> files;
        for (const auto &entry : fs::directory_iterator(folder.path, ec))
            if (entry.path().extension() == ".so" && entry.is_regular_file(ec)) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        out << fs::absolute(folder.path, ec).lexically_normal().string() << " (" << folder.role << "):\n";
        int listed = 0;
        for (const fs::path &file : files) {
            std::string error;
            const auto module = LoadedModule::open(file.string(), error);
            if (!module) continue;  // a library that is not a module
            const std::string name = file.stem().string();
            const std::size_t n = module->servers().size();
            out << "  " << std::left << std::setw(16) << name << ' ' << file.string() << "  (" << n
                << (n == 1 ? " server" : " servers") << ')'
                << (seen.insert(name).second ? "" : ", hidden by the same name above") << '\n';
            ++listed;
        }
        if (listed == 0) out << "  no modules\n";
    }
    return status;
}

void addInfoCommand(CLI::App &app, int &exitCode) {
    CLI::App *info =
        app.add_subcommand("info",
                           "List the servers of plug-in modules, what a scene or model file holds, "
                           "or the modules found by name");
    auto paths = std::make_shared<std::vector<std::string>>();
    auto folders = std::make_shared<std::vector<std::string>>();
    info->add_option(
        "FILE", *paths,
        "Module files (.so), scenes (.json) or model files; none: list the modules found by name");
    info->add_option("--module-path", *folders, "Also look for modules in this folder (repeatable)")
        ->allow_extra_args(false);
    info->callback([paths, folders, &exitCode] {
        setModuleSearchPath(*folders);
        exitCode =
            paths->empty() ? runModuleListing(std::cout, std::cerr) : runInfo(*paths, std::cout, std::cerr);
    });
}

}  // namespace minihost::cli
