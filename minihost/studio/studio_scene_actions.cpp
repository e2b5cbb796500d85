// What a user does to the scene as a whole: run a generic command (the
// shader utility) from its dialog, choose the selection, the frame and the
// view, save the scene.
#include <filesystem>

#include "minihost/panels/panel_services_host.h"
#include "minihost/servers/scene_saver.h"
#include "minihost/servers/surface_commands.h"
#include "minihost/services/active_scene.h"
#include "minihost/studio/panel_json.h"
#include "minihost/studio/studio.h"

namespace minihost::studio {

namespace fs = std::filesystem;
using nlohmann::json;

const Studio::Generic &Studio::genericOf(const std::string &server) const {
    for (const Generic &g : generics_)
        if (g.server == server) return g;
    throw StudioError(404, "no module of the scene has a command \"" + server + "\"");
}

json Studio::utility(const std::string &server) {
    auto changing = lock_.change();
    const Generic &g = genericOf(server);
    clearRecordedPanels();  // its dialog is answered with Cancel: nothing is done
    SurfaceCommands commands(scene_, servers_);
    g.module->activate(CLASS_LAYOUT_GENERIC, server, GENERIC_VERSION, commands.record());
    const auto dialogs = recordedPanels();
    clearRecordedPanels();
    if (dialogs.empty()) throw StudioError(404, server + " shows no dialog");
    json out = dialogJson(dialogs.back(), files_);
    out["server"] = server;
    return out;
}

json Studio::runUtility(const std::string &server, const json &values) {
    auto changing = lock_.change();
    const Generic &g = genericOf(server);
    clearRecordedPanels();
    {
        SurfaceCommands probe(scene_, servers_);
        g.module->activate(CLASS_LAYOUT_GENERIC, server, GENERIC_VERSION, probe.record());
    }
    const auto dialogs = recordedPanels();
    if (dialogs.empty()) throw StudioError(404, server + " shows no dialog");
    clearRecordedPanels();
    queueConfirm(dialogs.back(), values);

    SurfaceCommands commands(scene_, servers_);
    g.module->activate(CLASS_LAYOUT_GENERIC, server, GENERIC_VERSION, commands.record());
    const bool answered = scriptedAnswersLeft() == 0;
    clearRecordedPanels();
    // Shaders came and went: new instances get ids, panels of those gone
    // are dropped.
    listUses();
    renderer_.invalidate();
    if (!answered) throw StudioError(409, server + " did not open its dialog again");
    json log = json::array();
    int notDone = 0;
    for (const SurfaceCommands::Entry &e : commands.log()) {
        notDone += e.done ? 0 : 1;
        log.push_back({{"command", e.command}, {"done", e.done}, {"refusal", e.refusal}});
    }
    return {{"commands", log.size()},
            {"added", commands.added()},
            {"removed", commands.removed()},
            {"notDone", notDone},
            {"log", log}};
}

json Studio::select(const json &objects) {
    if (!objects.is_array()) throw StudioError(400, "the selection is a list of object names");
    std::vector<SceneItem *> chosen;
    for (const json &name : objects) {
        SceneItem *item = name.is_string() ? scene_.itemNamed(name.get<std::string>()) : nullptr;
        if (!item || item->type != ITEM_TYPE_OBJECT)
            throw StudioError(400,
                              "no object named " + name.dump(-1, ' ', false, json::error_handler_t::replace));
        chosen.push_back(item);
    }
    auto changing = lock_.change();
    for (const auto &[id, item] : scene_.items) item->selected = false;
    for (SceneItem *item : chosen) item->selected = true;
    // What "LW Interface Info 3" hands out, in the order the scene services
    // list it.
    ActiveScene &active = activeScene();
    active.selection.clear();
    for (const auto &[id, item] : scene_.items)
        if (item->selected) active.selection.push_back(id);
    active.selection.push_back(ITEM_NULL);
    return {{"selected", objects}};
}

json Studio::show(int frame, const std::string &view) {
    View v;
    if (!viewNamed(view, v)) throw StudioError(400, "the view is \"with\", \"without\" or \"only\"");
    if (frame < scene_.firstFrame || frame > scene_.lastFrame)
        throw StudioError(400, "the scene's frames are " + std::to_string(scene_.firstFrame) + " to " +
                                   std::to_string(scene_.lastFrame));
    auto changing = lock_.change();
    // Panels show values at the frame on show, as a host's do.
    activeScene().currentTime = scene_.frameTime(frame);
    renderer_.show(frame, v);
    return {{"frame", frame}, {"view", viewName(v)}};
}

json Studio::saveScene(const std::string &path, bool overwrite) {
    fs::path full;
    std::string error;
    if (!files_.resolve(path, "json", full, error)) throw StudioError(403, error);
    std::error_code ec;
    const bool exists = fs::exists(full, ec);
    if (exists && !fs::is_regular_file(full, ec))
        throw StudioError(409, files_.shown(full) + " is not a file");
    if (exists && !overwrite)
        throw StudioError(409, files_.shown(full) + " exists; overwrite it?",
                          {{"exists", true}, {"path", files_.shown(full)}});
    auto changing = lock_.change();
    if (!minihost::saveScene(scene_, servers_, full.string(), error)) throw StudioError(500, error);
    return {{"saved", files_.shown(full)}};
}

json Studio::listFiles(const std::string &extension) {
    if (extension.size() > 16 ||
        extension.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") !=
            std::string::npos)
        throw StudioError(400, "an extension is letters and digits");
    return {{"files", files_.list(extension, 200)}};
}

}  // namespace minihost::studio
