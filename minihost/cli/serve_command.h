// `minihost serve SCENE [--port N] [--preview WxH] [--listen ADDR] [--root DIR]`:
// the studio, a page in the browser that shows the frame beside every panel
// of the scene's modules and renders again after each change.
#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace minihost::cli {

struct ServeArgs {
    std::string scene;
    int port = 8765;      // 0: any free port
    std::string preview;  // "WxH"; empty: the default
    std::string listen = "127.0.0.1";
    std::string root;  // empty: the scene's folder
    int threads = 0;   // 0: every core
};

// Serves until SIGINT or SIGTERM; 0 then, 1 on a fault at start (reported on
// `err`). The URL is printed on `out` as soon as the server listens.
int runServe(const ServeArgs &args, std::ostream &out, std::ostream &err);

// Parses "WxH" with each side 1 to 4096; false for anything else.
bool parsePreviewSize(const std::string &text, int &width, int &height);

void addServeCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
