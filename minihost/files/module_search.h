// Modules named by name rather than by path: a scene may say
// "QM_Quillrim_S" and render from wherever it lies. A name is looked up as
// NAME.so in, in order, the scene's folder, the folders given with
// --module-path, and the folder where the build puts the modules (beside
// minihost's own executable).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace minihost {

// A module name: no folder and no ".so" (anything else is a path).
bool isModuleName(const std::string &text);

// The --module-path folders, in the order given; set once by the command
// line before a scene is read.
void setModuleSearchPath(std::vector<std::string> folders);
const std::vector<std::string> &moduleSearchPath();

// The folder the build puts the modules in, found from the running
// executable (minihost, or a test program of the same build); "" when the
// executable cannot be found.
std::string builtModuleFolder();

// A folder searched for modules and why it is searched.
struct ModuleFolder {
    std::string path;
    std::string role;  // "the scene's folder", "--module-path", "beside minihost"
};

// The folders searched, in order: the scene's folder when there is a scene
// (`sceneFolder` "" is the current folder), then the others.
std::vector<ModuleFolder> moduleFolders(std::optional<std::string> sceneFolder);

// The first NAME.so that is a regular file in `folders`; "" when there is
// none.
std::string findModule(const std::string &name, const std::vector<ModuleFolder> &folders);

}  // namespace minihost
