// `minihost render SCENE -o OUT.png [--frames A-B] [--threads N] [--png-compression L]`: renders a
// scene to PNG files with alpha, progress on stderr, and the time spent in
// each stage at the end.
#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace minihost::cli {

struct RenderArgs {
    std::string scene;
    std::string output;
    std::string frames;      // "A-B" or "A"; empty: the scene's range
    int threads = 0;         // 0: every core
    std::string saveScene;   // also save the scene with its instances' data here
    bool quiet = false;      // no progress bars
    int pngCompression = 1;  // zlib level of the PNG files, 0..9
};

// 0 when every frame was written; 1 on a fault (reported on `err`, naming
// the file and the fault; no output file is touched); kModuleErrorStatus (3)
// when a module reported an error during the render (every frame is still
// written; the scene is not saved); 130 when aborted with Ctrl-C.
int runRender(const RenderArgs &args, std::ostream &err);

// Parses "A-B" or "A"; false for anything else.
bool parseFrameRange(const std::string &text, int &first, int &last);

void addRenderCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
