#include "minihost/servers/surface_commands.h"

#include "minihost/core/service_guard.h"
#include "minihost/files/input_error.h"
#include "minihost/servers/server_instances.h"

namespace minihost {

namespace {

int evaluateRecord(void *data, const char *command) {
    if (!data || !command) return 0;
    return static_cast<SurfaceCommands *>(data)->evaluate(command);
}

std::string trimmed(const std::string &s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

SurfaceCommands::SurfaceCommands(Scene &scene, ServerSet &servers) : scene_(scene), servers_(servers) {
    record_.evaluate = guardedService<"LayoutGeneric.evaluate", evaluateRecord>;
    record_.data = this;
}

int SurfaceCommands::evaluate(const std::string &command) {
    Entry entry;
    entry.command = command;
    const std::string text = trimmed(command);
    const auto space = text.find(' ');
    const std::string verb = text.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : trimmed(text.substr(space));
    try {
        entry.done = run(verb, argument, entry.refusal);
    } catch (const InputError &e) {
        entry.refusal = e.what();
    }
    log_.push_back(entry);
    return entry.done ? 1 : 0;
}

bool SurfaceCommands::run(const std::string &verb, const std::string &argument, std::string &refusal) {
    if (verb != "Surf_SetSurf" && verb != "Surf_AddShader" && verb != "Surf_RemShader") {
        refusal = "unknown command \"" + verb + "\" (known: Surf_SetSurf, Surf_AddShader, Surf_RemShader)";
        return false;
    }
    if (argument.empty()) {
        refusal = verb == "Surf_SetSurf" ? "needs a surface and an object" : "needs a server name";
        return false;
    }
    if (verb == "Surf_SetSurf") return select(argument, refusal);
    if (!current_) {
        refusal = "no surface is selected (Surf_SetSurf comes first)";
        return false;
    }
    if (verb == "Surf_AddShader") {
        servers_.addShader(*current_, argument);
        ++added_;
        return true;
    }
    if (!servers_.removeShader(*current_, argument)) {
        refusal =
            "surface \"" + current_->name + "\" of \"" + current_->object->name + "\" has no " + argument;
        return false;
    }
    ++removed_;
    return true;
}

bool SurfaceCommands::select(const std::string &argument, std::string &refusal) {
    // Names may hold blanks: every split of the argument is tried, the
    // surface name first.
    for (auto space = argument.find(' '); space != std::string::npos; space = argument.find(' ', space + 1)) {
        const std::string surface = argument.substr(0, space);
        const std::string object = trimmed(argument.substr(space));
        for (const auto &obj : scene_.objects) {
            if (obj->name != object) continue;
            for (const auto &surf : obj->surfaces)
                if (surf->name == surface) {
                    current_ = surf.get();
                    return true;
                }
        }
    }
    refusal = "no object has the surface named in \"" + argument + "\"";
    return false;
}

}  // namespace minihost
