// `minihost panel TARGET SERVER [steps]`: shows a server's "LWXPanel" panel
// as text after acting on it as a user would (set values, press buttons,
// choose pop-up entries, answer file requests).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "minihost/cli/panel_steps.h"

namespace CLI {
class App;
}

namespace minihost::cli {

struct PanelArgs {
    std::string target;   // a module (a fresh instance) or a scene (one of its instances)
    std::string server;   // the handler and interface servers' shared name
    std::string surface;  // scenes: [OBJECT/]SURFACE of the shader
    std::vector<PanelStep> steps;
    std::vector<std::string> files;  // answers to the file requests, in order
    std::string saveScene;           // scenes: write the changed scene here
    bool overwrite = false;          // --save-scene may replace the scene read
};

// Returns 0 on success, 1 when the target, the servers or the panel are
// missing, 2 when a step is refused.
int runPanel(const PanelArgs &args, std::ostream &out, std::ostream &err);

void addPanelCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
