#include "minihost/cli/output_paths.h"

#include <filesystem>
#include <map>
#include <set>

#include "minihost/cli/output_checks.h"
#include "minihost/render/frame_names.h"

namespace minihost::cli {

namespace fs = std::filesystem;

namespace {

// One spelling per file: symbolic links and "." or ".." resolved, also for a
// file that does not exist yet (its folder is resolved).
std::string identity(const std::string &path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), ec);
    const fs::path p = fs::weakly_canonical(absolute, ec);
    return (ec ? absolute : p).lexically_normal().string();
}

}  // namespace

OutputPlan::OutputPlan(std::string image, int firstFrame, int lastFrame, std::string savedScene)
        : OutputPlan(std::move(image), {}, std::move(savedScene)) {
    for (long long frame = firstFrame; frame <= lastFrame; ++frame)
        frames_.push_back(static_cast<int>(frame));
}

OutputPlan::OutputPlan(std::string image, std::vector<int> frames, std::string savedScene)
        : image_(std::move(image)), savedScene_(std::move(savedScene)), frames_(std::move(frames)) {
    addOutput("--save-scene", savedScene_);
}

void OutputPlan::addOutput(const std::string &option, const std::string &path) {
    if (!path.empty()) others_.push_back({option, path});
}

std::string OutputPlan::imageOf(int frame) const { return frameFileName(image_, frame, frames_.size() > 1); }

bool OutputPlan::check(const Scene &scene, std::ostream &err) const {
    std::set<std::string> inputs;
    for (const std::string &file : inputFilesOf(scene)) inputs.insert(identity(file));
    // The other outputs: none may name an input or one another.
    std::map<std::string, std::string> others;  // identity -> option
    for (const auto &[option, path] : others_) {
        if (!checkOutputTarget(path, err)) return false;
        const std::string id = identity(path);
        const auto before = others.find(id);
        if (inputs.count(id) || before != others.end()) {
            err << "minihost: " << option << " " << path << ": "
                << (inputs.count(id) ? "names an input of the scene"
                                     : "is also the file of " + before->second)
                << "; refusing to replace it\n";
            return false;
        }
        others.emplace(id, option);
    }
    // Frame files share one folder: it is resolved once, each file only when
    // it exists (it may be a link).
    std::error_code ec;
    const fs::path folder = identity(fs::path(image_).parent_path().string());
    for (const int frame : frames_) {
        const std::string file = imageOf(frame);
        const fs::path path = (folder / fs::path(file).filename()).lexically_normal();
        const std::string id =
            fs::exists(fs::symlink_status(path, ec)) ? identity(path.string()) : path.string();
        const auto other = others.find(id);
        const std::string clash = inputs.count(id)        ? "names an input of the scene"
                                  : other != others.end() ? "is also the file of " + other->second
                                                          : "";
        if (!clash.empty()) {
            err << "minihost: " << file << ": the output " << clash << "; refusing to replace it\n";
            return false;
        }
        if (!checkOutputTarget(file, err)) return false;
    }
    return true;
}

std::vector<std::string> inputFilesOf(const Scene &scene) {
    std::vector<std::string> files{scene.path};
    files.insert(files.end(), scene.modulePaths.begin(), scene.modulePaths.end());
    // A primitive's "file" is a made-up name ("box:Floor") that exists nowhere.
    std::error_code ec;
    for (const auto &object : scene.objects) {
        if (fs::exists(object->filename, ec)) files.push_back(object->filename);
        files.insert(files.end(), object->mesh->sideFiles.begin(), object->mesh->sideFiles.end());
    }
    std::lock_guard<std::mutex> lock(scene.imageMutex);
    for (const auto &image : scene.images) files.push_back(image->path);
    return files;
}

bool checkSavedScene(const Scene &scene, const std::string &option, const std::string &path,
                     bool mayReplaceScene, std::ostream &err) {
    if (!checkOutputTarget(path, err)) return false;
    const std::string id = identity(path);
    for (const std::string &file : inputFilesOf(scene)) {
        if (identity(file) != id) continue;
        if (file == scene.path) {
            if (mayReplaceScene) continue;
            err << "minihost: " << option << " " << path
                << " is the scene read; add --overwrite to replace it\n";
        } else {
            err << "minihost: " << option << " " << path
                << ": names an input of the scene; refusing to replace it\n";
        }
        return false;
    }
    return true;
}

}  // namespace minihost::cli
