// `minihost render SCENE -o OUT [--frames LIST] [--threads N] ...`: renders a
// scene's frames to PNG or OpenEXR files (by the output's extension), with
// progress on stderr, an optional run report, and the time spent in each
// stage at the end.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "minihost/cli/frame_list.h"

namespace CLI {
class App;
}

namespace minihost::cli {

struct RenderArgs {
    std::string scene;
    std::string output;                    // may hold a frame pattern: "shot.####.exr", "shot.%04d.png"
    std::string frames;                    // a frame list (cli/frame_list.h); empty: the scene's range
    int threads = 0;                       // 0: every core
    std::string saveScene;                 // also save the scene with its instances' data here
    bool quiet = false;                    // no progress bars
    int pngCompression = 1;                // zlib level of the PNG files, 0..9
    bool exrFloat = false;                 // 32-bit colour in OpenEXR files (else half)
    bool exrStraight = false;              // OpenEXR colour not multiplied by the alpha
    std::string layers;                    // layers for compositing, "lines,base,N"; "" for none
    bool skipExisting = false;             // leave frames whose file exists whole
    std::string report;                    // the run report's file; "" for none
    std::vector<std::string> modulePaths;  // folders searched for modules named by name
    bool allowSceneModules = false;        // modules from the scene's folder, or any path
    std::string memoryLimit;               // --memory-limit as given; "" for none
    std::string edition;                   // a model file's outlines: "stroke" (default) or "line"
};

// 0 when every frame was written (or skipped); 1 on a fault (reported on
// `err`, naming the file and the fault; no output file is touched);
// kModuleErrorStatus (3) when a module reported an error during the render
// (the frames it happened in are written beside their names as failures,
// render/frame_names.h; the scene is not saved), or when the frame's own
// buffers do not fit in the memory budget (nothing is rendered); 130 when stopped
// with Ctrl-C, 143 when terminated (the frame being rendered is dropped).
int runRender(const RenderArgs &args, std::ostream &err);

void addRenderCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
