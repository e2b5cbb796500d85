#include "minihost/cli/info_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iomanip>
#include <iostream>

#include "minihost/core/loader.h"

namespace minihost::cli {

int runInfo(const std::vector<std::string> &paths, std::ostream &out, std::ostream &err) {
    int status = 0;
    bool first = true;
    for (const std::string &path : paths) {
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

void addInfoCommand(CLI::App &app, int &exitCode) {
    CLI::App *info = app.add_subcommand("info", "List the servers of plug-in modules");
    auto paths = std::make_shared<std::vector<std::string>>();
    info->add_option("MODULE", *paths, "Module files (.so)")->required();
    info->callback([paths, &exitCode] { exitCode = runInfo(*paths, std::cout, std::cerr); });
}

}  // namespace minihost::cli
