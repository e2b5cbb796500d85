// `minihost panel MODULE.so SERVER [--set NAME=VALUE]...`: shows a server's
// "LWXPanel" panel as text, for a fresh instance.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace minihost::cli {

// Loads the module, creates an instance through the handler server of that
// name, activates the interface server of the same name for it, applies each
// NAME=VALUE through the panel's set callback (in order) and prints the panel.
// Returns 0 on success, 1 when the module, the servers or the panel are
// missing, 2 when a --set is refused.
int runPanel(const std::string &modulePath, const std::string &server, const std::vector<std::string> &sets,
             std::ostream &out, std::ostream &err);

void addPanelCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
