// `minihost show-data FILE...`: prints saved plug-in data as readable text --
// a preset file or any file a module wrote through "File IO" (binary or
// text), or every server entry's data in a scene file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace minihost::cli {

// 0 when every file was printed, 1 when one could not be read.
int runShowData(const std::vector<std::string> &files, std::ostream &out, std::ostream &err);

void addShowDataCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
