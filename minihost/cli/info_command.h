// `minihost info MODULE.so...`: lists each module's servers.
// `minihost info` alone: lists the modules found by name and where.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace minihost::cli {

// For each file, a header "FILE: N servers" and one "CLASS  NAME" line per
// server in table order; a file that does not load gets one line on `err`
// naming it and the fault. Returns 0 when every file loaded, 1 otherwise.
int runInfo(const std::vector<std::string> &paths, std::ostream &out, std::ostream &err);

// The modules a scene could name by name, folder by folder in the order they
// are searched (the --module-path folders, then the build's folder beside
// minihost): one line per module with its name, file and server count, a
// name that an earlier folder hides marked so. Returns 1 when a folder given
// does not exist, else 0.
int runModuleListing(std::ostream &out, std::ostream &err);

// Adds the sub-command; its result goes to `exitCode`.
void addInfoCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
