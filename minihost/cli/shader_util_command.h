// `minihost shader-util MODULE.so SCENE.json -o OUT.json [options]`: runs a
// module's shader utility on a scene, as a user runs it from a host's
// interface, and writes the changed scene.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace minihost::cli {

struct ShaderUtilArgs {
    std::string module;
    std::string scene;
    std::string output;
    std::string target;               // "all" or "selected"; empty: selected with --select, else all
    std::vector<std::string> select;  // items to select instead of the scene file's selection
    std::string action = "apply";     // "apply" or "remove"
    std::string preset;               // a preset file loaded into every shader added
    bool cancel = false;              // answer the dialog with Cancel
    bool overwrite = false;           // -o may be the scene read
    bool verbose = false;             // list every command
};

// 0 when the scene was written, 1 on a fault (reported on `err`; no file is
// written).
int runShaderUtil(const ShaderUtilArgs &args, std::ostream &err);

void addShaderUtilCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
