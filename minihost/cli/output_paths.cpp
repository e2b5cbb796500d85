#include "minihost/cli/output_paths.h"

#include <filesystem>
#include <set>

#include "minihost/render/png_output.h"

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
        : image_(std::move(image)),
          savedScene_(std::move(savedScene)),
          first_(firstFrame),
          last_(lastFrame) {}

std::string OutputPlan::imageOf(int frame) const { return frameFileName(image_, frame, last_ > first_); }

bool OutputPlan::check(const Scene &scene, std::ostream &err) const {
    std::set<std::string> inputs;
    for (const std::string &file : inputFilesOf(scene)) inputs.insert(identity(file));
    const std::string saved = savedScene_.empty() ? std::string() : identity(savedScene_);
    if (!saved.empty() && inputs.count(saved)) {
        err << "minihost: --save-scene " << savedScene_
            << ": names an input of the scene; refusing to replace it\n";
        return false;
    }
    // Frame files share one folder: it is resolved once, each file only when
    // it exists (it may be a link).
    std::error_code ec;
    const fs::path folder = identity(fs::path(image_).parent_path().string());
    for (long long frame = first_; frame <= last_; ++frame) {
        const std::string file = imageOf(static_cast<int>(frame));
        const fs::path path = (folder / fs::path(file).filename()).lexically_normal();
        const std::string id =
            fs::exists(fs::symlink_status(path, ec)) ? identity(path.string()) : path.string();
        const char *clash = inputs.count(id) ? "names an input of the scene"
                            : id == saved    ? "is also the file of --save-scene"
                                             : nullptr;
        if (clash) {
            err << "minihost: " << file << ": the output " << clash << "; refusing to replace it\n";
            return false;
        }
    }
    return true;
}

std::vector<std::string> inputFilesOf(const Scene &scene) {
    std::vector<std::string> files{scene.path};
    files.insert(files.end(), scene.modulePaths.begin(), scene.modulePaths.end());
    // A primitive's "file" is a made-up name ("box:Floor") that exists nowhere.
    std::error_code ec;
    for (const auto &object : scene.objects)
        if (fs::exists(object->filename, ec)) files.push_back(object->filename);
    std::lock_guard<std::mutex> lock(scene.imageMutex);
    for (const auto &image : scene.images) files.push_back(image->path);
    return files;
}

}  // namespace minihost::cli
