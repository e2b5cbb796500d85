// The scene a command works on: read from its file, then started (its
// services active, its modules loaded and its instances made). However the
// command ends, the instances and modules go first, then the render memory,
// then the scene's services.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "minihost/cli/image_admission.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/server_instances.h"

namespace minihost::cli {

class SceneSession {
public:
    SceneSession() = default;
    ~SceneSession();
    SceneSession(const SceneSession &) = delete;
    SceneSession &operator=(const SceneSession &) = delete;

    // Each prints what is wrong, naming the file, and returns false on a fault.
    // A model file (assets/asset_formats.h) is read as the scene `minihost
    // import` would write for it, with the outlines of `edition` (an OBJ file
    // as well).
    bool load(const std::string &path, std::ostream &err, const std::string &edition = "stroke");
    bool start(std::ostream &err);

    Scene &scene() { return *scene_; }
    ServerSet &servers() { return *servers_; }
    // The scene's images are admitted against the memory budget while the
    // session lasts.
    ImageAdmission &images() { return images_; }

private:
    ImageAdmission images_;
    std::string path_;
    std::unique_ptr<Scene> scene_;
    std::unique_ptr<ServerSet> servers_;
};

// The SIGINT handler of rendering commands: asks the progress monitor to abort.
void onInterrupt(int);

}  // namespace minihost::cli
