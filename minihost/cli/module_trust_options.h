// The options that say where a command may load modules from: more trusted
// folders (--module-path) and whether a scene may bring its own
// (--allow-scene-modules). files/module_search.h holds the rule.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace minihost::cli {

struct ModuleTrust {
    std::vector<std::string> modulePaths;
    bool allowSceneModules = false;
};

// Adds both options to `cmd`; the values land in the returned record.
std::shared_ptr<ModuleTrust> addModuleTrustOptions(CLI::App &cmd);

// Makes the record the rule for the scenes read from now on.
void applyModuleTrust(const ModuleTrust &trust);

}  // namespace minihost::cli
