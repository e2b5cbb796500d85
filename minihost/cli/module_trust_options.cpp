#include "minihost/cli/module_trust_options.h"

#include <CLI/CLI.hpp>

#include "minihost/files/module_search.h"

namespace minihost::cli {

std::shared_ptr<ModuleTrust> addModuleTrustOptions(CLI::App &cmd) {
    auto trust = std::make_shared<ModuleTrust>();
    cmd.add_option("--module-path", trust->modulePaths,
                   "A trusted folder of modules, searched for modules a scene names by name (repeatable)")
        ->allow_extra_args(false);
    cmd.add_flag("--allow-scene-modules", trust->allowSceneModules,
                 "Let the scene load modules from its own folder or any path (they run with your rights)");
    return trust;
}

void applyModuleTrust(const ModuleTrust &trust) {
    setModuleSearchPath(trust.modulePaths);
    setSceneModulesAllowed(trust.allowSceneModules);
}

}  // namespace minihost::cli
