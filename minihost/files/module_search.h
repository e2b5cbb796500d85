// Modules named by name rather than by path: a scene may say
// "QM_Quillrim_S" and render from wherever it lies. A name is looked up as
// NAME.so in, in order, the folders given with --module-path, the folders of
// the QUILLRIM_MODULE_PATH environment variable (separated by ':'), and the
// folder where the build puts the modules (beside minihost's own
// executable). These are the trusted folders: a module runs with the user's
// rights, so a scene that came from elsewhere may not bring its own. The
// scene's folder is searched (first) only when the user allows it
// (--allow-scene-modules), and a module a scene names by path must lie
// within a trusted folder unless the user allows it the same way.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace minihost {

// The environment variable that lists trusted module folders.
inline constexpr const char *kModulePathVariable = "QUILLRIM_MODULE_PATH";

// A module name: no folder and no ".so" (anything else is a path).
bool isModuleName(const std::string &text);

// The --module-path folders, in the order given; set once by the command
// line before a scene is read.
void setModuleSearchPath(std::vector<std::string> folders);
const std::vector<std::string> &moduleSearchPath();

// Whether a scene may bring its own modules (--allow-scene-modules): its
// folder is searched for names, and a path anywhere is taken.
void setSceneModulesAllowed(bool allowed);
bool sceneModulesAllowed();

// The folder the build puts the modules in, found from the running
// executable (minihost, or a test program of the same build); "" when the
// executable cannot be found.
std::string builtModuleFolder();

// A folder searched for modules and why it is searched.
struct ModuleFolder {
    std::string path;
    std::string role;  // "the scene's folder", "--module-path", "QUILLRIM_MODULE_PATH", "beside minihost"
};

// The folders searched, in order: the scene's folder when there is a scene
// (`sceneFolder` "" is the current folder) and scene modules are allowed,
// then the trusted ones.
std::vector<ModuleFolder> moduleFolders(std::optional<std::string> sceneFolder);

// The first NAME.so that is a regular file in `folders`; "" when there is
// none. `foundIn`, when given, gets the role of its folder.
std::string findModule(const std::string &name, const std::vector<ModuleFolder> &folders,
                       std::string *foundIn = nullptr);

// Whether a module file named by path may be loaded for a scene: scene
// modules are allowed, or it lies within a trusted folder (at any depth).
bool isTrustedModulePath(const std::string &path);

}  // namespace minihost
