// `minihost info MODULE.so...`: lists each module's servers.
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

// Adds the sub-command; its result goes to `exitCode`.
void addInfoCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
