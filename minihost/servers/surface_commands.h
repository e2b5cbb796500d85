// The host's command evaluation for generic servers, carried out on a built
// scene:
//
//   Surf_SetSurf SURFACE OBJECT   selects the surface of that name on the
//                                 object of that name (either may contain
//                                 blanks)
//   Surf_AddShader SERVER         adds an instance of the shader server to
//                                 the selected surface, created through its
//                                 module (after any shaders it has)
//   Surf_RemShader SERVER         removes the first instance of that server
//                                 from the selected surface and destroys it
//
// Anything else, and a command that names nothing in the scene, is refused:
// it is logged with the reason and changes nothing.
#pragma once

#include <string>
#include <vector>

#include "host/handler.h"
#include "minihost/scene/scene.h"

namespace minihost {

class ServerSet;

class SurfaceCommands {
public:
    SurfaceCommands(Scene &scene, ServerSet &servers);
    SurfaceCommands(const SurfaceCommands &) = delete;
    SurfaceCommands &operator=(const SurfaceCommands &) = delete;

    // The generic record to hand to a generic server's activation; valid
    // while this object lives. Its evaluate never throws.
    LayoutGeneric *record() { return &record_; }

    // Carries out one command: 1 when done, 0 when refused.
    int evaluate(const std::string &command);

    struct Entry {
        std::string command;
        bool done = false;
        std::string refusal;  // why it was refused
    };
    const std::vector<Entry> &log() const { return log_; }
    int added() const { return added_; }
    int removed() const { return removed_; }

private:
    bool run(const std::string &verb, const std::string &argument, std::string &refusal);
    bool select(const std::string &argument, std::string &refusal);

    Scene &scene_;
    ServerSet &servers_;
    SceneSurface *current_ = nullptr;
    LayoutGeneric record_{};
    std::vector<Entry> log_;
    int added_ = 0, removed_ = 0;
};

}  // namespace minihost
