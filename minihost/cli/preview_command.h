// `minihost preview SCENE --surface NAME -o OUT.png [--size N] [--threads N]
// [-q]`: renders one surface of a scene, with its shaders and their
// settings, on a sphere that is not part of the scene, as a host's material
// preview does.
#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace minihost::cli {

struct PreviewArgs {
    std::string scene;
    std::string surface;  // "NAME" or "OBJECT/NAME"
    std::string output;
    int size = 96;       // pixels a side
    int threads = 0;     // 0: every core
    bool quiet = false;  // no "wrote" line
};

constexpr int kMaxPreviewSize = 4096;

// 0 when the image was written, 1 on a fault (reported on `err`, naming the
// file and the fault; an existing output file is left as it was), 3 when a
// module reported an error (the image is still written), 130 when aborted
// with Ctrl-C.
int runPreview(const PreviewArgs &args, std::ostream &err);

void addPreviewCommand(CLI::App &app, int &exitCode);

}  // namespace minihost::cli
