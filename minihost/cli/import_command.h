// `minihost import ASSET -o SCENE.json [--edition stroke|line] [--preset FILE]
// [--camera NAME]`: writes a scene that renders a model file with outlines,
// framed and lit, for a person to read and edit.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace minihost::cli {

struct ImportArgs {
    std::string asset;
    std::string output;
    std::string edition = "stroke";        // "stroke" or "line"
    std::string preset;                    // a preset file loaded into every edge shader
    std::string camera;                    // the file's camera to render through
    bool overwrite = false;                // -o may replace an existing file
    std::vector<std::string> modulePaths;  // folders searched for the edition's module
};

// 0 when the scene was written; 1 on a fault (reported on `err`, naming the
// file; no file is written). An existing -o is replaced only with
// `overwrite`, and never when it is the model file itself.
int runImport(const ImportArgs &args, std::ostream &err);

void addImportCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
