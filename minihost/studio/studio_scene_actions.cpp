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

namespace {

// More names than any scene of the studio has objects.
constexpr size_t kMostSelected = 10000;

}  // namespace

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
    SceneState before = capture();
    const auto staged = queueConfirm(dialogs.back(), values);

    SurfaceCommands commands(scene_, servers_);
    g.module->activate(CLASS_LAYOUT_GENERIC, server, GENERIC_VERSION, commands.record());
    const bool answered = scriptedAnswersLeft() == 0;
    clearRecordedPanels();
    for (const std::string &name : staged) staging_.remove(name);
    // Shaders came and went: new instances get ids, panels of those gone
    // are dropped.
    listUses();
    changed(dialogs.back().title.empty() ? server : dialogs.back().title, std::move(before));
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
    if (!objects.is_array() || objects.size() > kMostSelected)
        throw StudioError(400, "the selection is a list of object names");
    std::vector<SceneItem *> chosen;
    for (const json &name : objects) {
        // Never echoed back: only a known name is.
        if (!name.is_string()) throw StudioError(400, "the selection is a list of object names");
        SceneItem *item = scene_.itemNamed(name.get<std::string>());
        if (!item || item->type != ITEM_TYPE_OBJECT) throw StudioError(400, "the scene has no such object");
        chosen.push_back(item);
    }
    auto changing = lock_.change();
    for (const auto &[id, item] : scene_.items) item->selected = false;
    json names = json::array();
    for (SceneItem *item : chosen) item->selected = true;
    // What "LW Interface Info 3" hands out, in the order the scene services
    // list it.
    ActiveScene &active = activeScene();
    active.selection.clear();
    for (const auto &[id, item] : scene_.items)
        if (item->selected) {
            active.selection.push_back(id);
            names.push_back(item->name);
        }
    active.selection.push_back(ITEM_NULL);
    takeSnapshot();
    return {{"selected", names}};
}

json Studio::show(int frame, const std::string &view) {
    View v;
    if (!viewNamed(view, v))
        throw StudioError(400, "the view is \"with\", \"without\", \"only\" or \"lines\"");
    if (frame < scene_.firstFrame || frame > scene_.lastFrame)
        throw StudioError(400, "the scene's frames are " + std::to_string(scene_.firstFrame) + " to " +
                                   std::to_string(scene_.lastFrame));
    auto changing = lock_.change();
    // Panels show values at the frame on show, as a host's do.
    activeScene().currentTime = scene_.frameTime(frame);
    renderer_.show(frame, v);
    takeSnapshot();
    return {{"frame", frame}, {"view", viewName(v)}};
}

json Studio::saveScene(const std::string &path, bool overwrite) {
    std::string relative, error;
    const FileRefusal named = files_.name(path, "json", relative, error);
    if (named != FileRefusal::None) throw StudioError(named == FileRefusal::Outside ? 403 : 400, error);
    const FileRefusal there = files_.probe(relative, error);
    if (there == FileRefusal::None && !overwrite)
        throw StudioError(409, relative + " exists; overwrite it?", {{"exists", true}, {"path", relative}});
    if (there == FileRefusal::Outside) throw StudioError(403, error);
    if (there == FileRefusal::NoFolder) throw StudioError(404, error);
    if (there == FileRefusal::NotAFile) throw StudioError(409, error);
    std::string text;
    {
        auto changing = lock_.change();
        try {
            // Paths in the scene are written relative to where the file goes.
            text = savedSceneDocument(scene_, servers_, (files_.root() / relative).string()).dump(2) + "\n";
        } catch (const std::exception &e) {
            throw StudioError(500, relative + ": cannot write the scene: " + e.what());
        }
    }
    const FileRefusal written = files_.write(relative, text, overwrite, error);
    if (written == FileRefusal::Exists)
        throw StudioError(409, relative + " exists; overwrite it?", {{"exists", true}, {"path", relative}});
    if (written == FileRefusal::Outside) throw StudioError(403, error);
    if (written == FileRefusal::NoFolder || written == FileRefusal::Missing) throw StudioError(404, error);
    if (written != FileRefusal::None) throw StudioError(written == FileRefusal::NotAFile ? 409 : 500, error);
    return {{"saved", relative}};
}

json Studio::listFiles(const std::string &extension) {
    if (extension.size() > 16 ||
        extension.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") !=
            std::string::npos)
        throw StudioError(400, "an extension is letters and digits");
    return {{"files", files_.list(extension, 200)}};
}

}  // namespace minihost::studio
