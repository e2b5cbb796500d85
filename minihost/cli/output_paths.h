// Where a command's outputs go, decided in one place: the image of each
// frame, and the saved scene. Before anything is rendered, no output may
// name one of the command's inputs (the scene, its modules, meshes, their
// material files and images) nor another output, nor an existing folder,
// FIFO or block device; files are then written whole or not at all
// (files/atomic_file.h).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "minihost/scene/scene.h"

namespace minihost::cli {

class OutputPlan {
public:
    // `image`: the output as given; a frame pattern in it, or a range of
    // frames, numbers it per frame (render/frame_names.h).
    // `savedScene`: "" when the scene is not saved.
    OutputPlan(std::string image, int firstFrame, int lastFrame, std::string savedScene);
    OutputPlan(std::string image, std::vector<int> frames, std::string savedScene);

    // Another output file of the command, named by its option ("--report").
    void addOutput(const std::string &option, const std::string &path);

    std::string imageOf(int frame) const;
    const std::string &savedScene() const { return savedScene_; }

    // Prints what is wrong and returns false when an output names an input
    // of `scene` or another output.
    bool check(const Scene &scene, std::ostream &err) const;

private:
    std::string image_, savedScene_;
    std::vector<int> frames_;
    std::vector<std::pair<std::string, std::string>> others_;  // option, file; --save-scene first
};

// The files a scene reads: the scene itself, its modules, meshes (with their
// material files) and images.
std::vector<std::string> inputFilesOf(const Scene &scene);

// For commands that write the scene back (panel --save-scene, shader-util
// -o): prints what is wrong and returns false when `path` names one of the
// scene's inputs, other than the scene file itself when `mayReplaceScene`.
bool checkSavedScene(const Scene &scene, const std::string &option, const std::string &path,
                     bool mayReplaceScene, std::ostream &err);

}  // namespace minihost::cli
