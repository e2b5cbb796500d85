// The studio's scene: the instances it lists, their interfaces and panels,
// the snapshot that reads answer from, and the undo history.
#include "minihost/studio/studio.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "minihost/files/input_error.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/render/render_session.h"
#include "minihost/servers/server_settings.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/progress_bar.h"
#include "minihost/studio/panel_json.h"

namespace minihost::studio {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

ConfinedFolder confinedRoot(const std::string &root) {
    std::error_code ec;
    if (root.empty() || !fs::is_directory(root, ec))
        throw StudioError(400, "the files folder \"" + root + "\" is not a folder");
    try {
        return ConfinedFolder(root);
    } catch (const std::runtime_error &e) {
        throw StudioError(400, e.what());
    }
}

RenderSizes sizesOf(const Scene &scene, const StudioOptions &options) {
    RenderSizes s;
    s.fullWidth = scene.width;
    s.fullHeight = scene.height;
    if (options.previewWidth > 0 && options.previewHeight > 0) {
        s.previewWidth = std::min(options.previewWidth, scene.width);
        s.previewHeight = std::min(options.previewHeight, scene.height);
    } else {
        defaultPreviewSize(scene.width, scene.height, s.previewWidth, s.previewHeight);
    }
    return s;
}

}  // namespace

void defaultPreviewSize(int width, int height, int &previewWidth, int &previewHeight) {
    const double scale = std::min(1.0, 240.0 / std::max(1, std::max(width, height)));
    previewWidth = std::max(1, static_cast<int>(std::lround(width * scale)));
    previewHeight = std::max(1, static_cast<int>(std::lround(height * scale)));
}

Studio::Studio(Scene &scene, ServerSet &servers, const StudioOptions &options)
        : scene_(scene),
          servers_(servers),
          files_(confinedRoot(options.root)),
          renderer_(scene, servers, lock_, sizesOf(scene, options),
                    options.threads > 0 ? options.threads : defaultThreadCount()) {
    setProgressQuiet(true);
    listUses();
    for (const std::string &path : scene.modulePaths) {
        try {
            LoadedModule &module = servers.moduleFor(path);
            for (const ServerEntry &e : module.servers())
                if (e.className == CLASS_LAYOUT_GENERIC) generics_.push_back({&module, e.name});
        } catch (const InputError &) {
            // The scene's build loaded every module already; one that fails
            // now offers no utility.
        }
    }
    takeSnapshot();
}

Studio::~Studio() {
    renderer_.stop();
    for (const auto &[inst, panel] : panels_) xpanelRecord()->destroy(panel);
}

void Studio::listUses() {
    std::vector<Use> fresh;
    std::map<Instance, int> ids;
    auto add = [&](const LiveUse &live, const char *kind, SceneSurface *surface, const std::string &where) {
        if (!live.instance || !live.handler) return;
        auto known = ids_.find(live.instance);
        const int id = known != ids_.end() ? known->second : nextId_++;
        ids[live.instance] = id;
        fresh.push_back(Use{id, live.use, live.handler, live.instance, kind, surface, where});
    };
    for (const auto &object : scene_.objects)
        for (const auto &surface : object->surfaces)
            for (const LiveUse &shader : servers_.shadersOf(*surface))
                add(shader, "shader", surface.get(), object->name + "/" + surface->name);
    const LiveUses &live = servers_.live();
    for (const LiveUse &filter : live.pixelFilters) add(filter, "pixel filter", nullptr, "pixel filter");
    for (const LiveUse &filter : live.imageFilters) add(filter, "image filter", nullptr, "image filter");
    for (auto it = panels_.begin(); it != panels_.end();) {
        if (ids.count(it->first)) {
            ++it;
            continue;
        }
        xpanelRecord()->destroy(it->second);
        it = panels_.erase(it);
    }
    uses_ = std::move(fresh);
    ids_ = std::move(ids);
}

const Studio::Use &Studio::useOf(int id) const {
    for (const Use &u : uses_)
        if (u.id == id) return u;
    throw StudioError(404, "no shader or filter " + std::to_string(id) + " in the scene");
}

std::string Studio::interfaceClass(const Use &u) const {
    std::string cls = u.handler->className;
    const std::string handler = "Handler";
    if (cls.size() <= handler.size()) return std::string();
    cls.replace(cls.size() - handler.size(), std::string::npos, "Interface");
    for (const ServerEntry &e : u.handler->module->servers())
        if (e.className == cls && e.name == u.use->server) return cls;
    return std::string();
}

XPanelID Studio::cachedPanel(const Use &u) const {
    auto it = panels_.find(u.instance);
    return it == panels_.end() ? nullptr : it->second;
}

XPanelID Studio::activateFor(const Use &u, Instance inst, RecordedPanel *dialog) {
    const std::string cls = interfaceClass(u);
    if (cls.empty()) return nullptr;
    const size_t dialogsBefore = recordedPanels().size();
    InterfaceRecord iface{};
    iface.inst = inst;
    const int result = u.handler->module->activate(cls, u.use->server, INTERFACE_VERSION, &iface);
    if (dialog) {
        const auto dialogs = recordedPanels();
        if (dialogs.size() > dialogsBefore) *dialog = dialogs.back();
    }
    const auto panel = static_cast<XPanelID>(iface.panel);
    if (result != AFUNC_OK || !panel || !xpanelRecordOf(panel)) return nullptr;
    return panel;
}

XPanelID Studio::activateInterface(const Use &u, RecordedPanel *dialog) {
    XPanelID panel = activateFor(u, u.instance, dialog);
    if (panel) panels_[u.instance] = panel;
    return panel;
}

XPanelID Studio::panelOf(const Use &u) {
    if (XPanelID p = cachedPanel(u)) return p;
    clearRecordedPanels();
    if (XPanelID p = activateInterface(u, nullptr)) return p;
    throw StudioError(404, u.use->server + " has no panel");
}

const json &Studio::defaultsOf(const Use &u) {
    auto known = defaults_.find(u.use->server);
    if (known != defaults_.end()) return known->second;
    // A fresh instance of the same server, shown and destroyed at once: its
    // values are the server's defaults.
    json values = json::object();
    const ActiveHandler *h = u.handler;
    const char *err = nullptr;
    Instance fresh = h->inst.create(h->inst.priv, u.surface ? surfaceHandle(u.surface) : nullptr, &err);
    if (fresh) {
        clearRecordedPanels();  // a dialog is answered with Cancel
        RecordedPanel dialog;
        if (XPanelID panel = activateFor(u, fresh, &dialog)) {
            const json shown = xpanelJson(panel);
            for (const json &c : shown["controls"])
                if (!c["value"].is_null()) values[std::to_string(c["id"].get<uint32_t>())] = c["value"];
            xpanelRecord()->destroy(panel);
        } else {
            const json shown = dialogJson(dialog, files_);
            for (const json &c : shown["controls"])
                if (!c["value"].is_null()) values[std::to_string(c["index"].get<size_t>())] = c["value"];
        }
        clearRecordedPanels();
        h->inst.destroy(fresh);
    }
    return defaults_[u.use->server] = std::move(values);
}

json Studio::panelJsonOf(const Use &u) {
    json out = xpanelJson(cachedPanel(u));
    if (out.is_null()) throw StudioError(404, u.use->server + " has no panel open");
    const json &defaults = defaultsOf(u);
    for (json &c : out["controls"]) {
        const auto d = defaults.find(std::to_string(c["id"].get<uint32_t>()));
        if (d != defaults.end() && !c["data"].is_null()) c["default"] = *d;
    }
    out["use"] = u.id;
    out["server"] = u.use->server;
    out["where"] = u.where;
    return out;
}

json Studio::sceneJson() const {
    std::lock_guard<std::mutex> l(snapshotMutex_);
    return sceneSnapshot_;
}

json Studio::panel(int id) const {
    std::lock_guard<std::mutex> l(snapshotMutex_);
    auto it = panelSnapshots_.find(id);
    if (it != panelSnapshots_.end()) return it->second;
    return {{"kind", "closed"}, {"use", id}};
}

json Studio::openPanel(int id) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    if (cachedPanel(u)) return panelJsonOf(u);
    if (interfaceClass(u).empty()) return {{"kind", "none"}, {"use", id}, {"server", u.use->server}};
    // Opening a panel runs the module's interface activation, which may
    // write module-wide state: it is a change, though not one to undo.
    clearRecordedPanels();  // nothing queued: a dialog is answered with Cancel
    RecordedPanel dialog;
    if (activateInterface(u, &dialog)) {
        takeSnapshot();
        return panelJsonOf(u);
    }
    json out = dialog.controls.empty() ? json{{"kind", "none"}} : dialogJson(dialog, files_);
    if (out["kind"] == "dialog") {
        const json &defaults = defaultsOf(u);
        for (json &c : out["controls"]) {
            const auto d = defaults.find(std::to_string(c["index"].get<size_t>()));
            if (d != defaults.end()) c["default"] = *d;
        }
    }
    out["use"] = id;
    out["server"] = u.use->server;
    out["where"] = u.where;
    return out;
}

SceneState Studio::capture() {
    SceneState state;
    for (const Use &u : uses_)
        state.instances.push_back(
            InstanceState{u.id, u.surface, u.use->server, savedText(u.handler->inst, u.instance)});
    return state;
}

void Studio::restore(const SceneState &target) {
    std::string error;
    // A surface whose shaders are not the ones wanted (the utility added or
    // removed some) gets its list made again: the current shaders destroyed,
    // the wanted ones created, with their ids, and loaded below.
    for (SceneSurface *surface : scene_.allSurfaces()) {
        std::vector<const InstanceState *> wanted;
        for (const InstanceState &s : target.instances)
            if (s.surface == surface) wanted.push_back(&s);
        const std::vector<LiveUse> &live = servers_.shadersOf(*surface);
        bool same = wanted.size() == live.size();
        for (size_t i = 0; same && i < wanted.size(); ++i) {
            const auto id = ids_.find(live[i].instance);
            same = id != ids_.end() && id->second == wanted[i]->id;
        }
        if (same) continue;
        for (const LiveUse &shader : live) {
            auto panel = panels_.find(shader.instance);
            if (panel != panels_.end()) {
                xpanelRecord()->destroy(panel->second);
                panels_.erase(panel);
            }
            ids_.erase(shader.instance);
        }
        while (!surface->shaders.empty())
            if (!servers_.removeShader(*surface, surface->shaders.front().server)) break;
        for (const InstanceState *s : wanted) {
            try {
                const ServerUse &added = servers_.addShader(*surface, s->server);
                if (const LiveUse *made = servers_.liveOf(added)) ids_[made->instance] = s->id;
            } catch (const InputError &) {
                // The module made no instance: the surface goes without it.
            }
        }
    }
    listUses();
    for (const InstanceState &s : target.instances)
        for (const Use &u : uses_)
            if (u.id == s.id && savedText(u.handler->inst, u.instance) != s.text)
                loadText(u.handler->inst, u.instance, s.text, error);
}

void Studio::changed(const std::string &what, SceneState before) {
    SceneState after = capture();
    if (!(after == before)) history_.record(what, std::move(before), std::move(after));
    renderer_.invalidate();
    takeSnapshot();
}

json Studio::undo() {
    auto changing = lock_.change();
    const SceneHistory::Step *step = history_.undo();
    if (!step) throw StudioError(409, "nothing to undo");
    const std::string what = step->what;
    restore(step->before);
    renderer_.invalidate();
    takeSnapshot();
    return {{"undone", what}, {"history", historyJson()}};
}

json Studio::redo() {
    auto changing = lock_.change();
    const SceneHistory::Step *step = history_.redo();
    if (!step) throw StudioError(409, "nothing to redo");
    const std::string what = step->what;
    restore(step->after);
    renderer_.invalidate();
    takeSnapshot();
    return {{"redone", what}, {"history", historyJson()}};
}

json Studio::cancel() {
    renderer_.cancel();
    return {{"cancelled", true}};
}

json Studio::historyJson() const {
    return {{"undo", history_.undoable()},
            {"redo", history_.redoable()},
            {"nextUndo", history_.nextUndo()},
            {"nextRedo", history_.nextRedo()}};
}

void Studio::takeSnapshot() {
    json scene = buildSceneJson();
    std::map<int, json> panels;
    for (const Use &u : uses_)
        if (cachedPanel(u)) panels[u.id] = panelJsonOf(u);
    std::lock_guard<std::mutex> l(snapshotMutex_);
    sceneSnapshot_ = std::move(scene);
    panelSnapshots_ = std::move(panels);
}

json Studio::buildSceneJson() {
    auto shaderJson = [&](const ServerUse &use) {
        json out = {{"server", use.server}, {"id", nullptr}, {"panel", false}};
        for (const Use &u : uses_)
            if (u.use == &use) {
                out["id"] = u.id;
                out["panel"] = !interfaceClass(u).empty();
            }
        return out;
    };
    json objects = json::array();
    for (const auto &object : scene_.objects) {
        json surfaces = json::array();
        for (const auto &surface : object->surfaces) {
            json shaders = json::array();
            for (const ServerUse &use : surface->shaders) shaders.push_back(shaderJson(use));
            surfaces.push_back({{"name", surface->name}, {"shaders", shaders}});
        }
        objects.push_back({{"name", object->name},
                           {"file", files_.shown(object->filename)},
                           {"selected", object->selected},
                           {"surfaces", surfaces}});
    }
    // Filters from the studio's own list, with the ids the shaders get above.
    json filters = json::array();
    for (const Use &u : uses_)
        if (u.kind != "shader")
            filters.push_back({{"id", u.id},
                               {"server", u.use->server},
                               {"kind", u.kind},
                               {"panel", !interfaceClass(u).empty()}});
    json utilities = json::array();
    for (const Generic &g : generics_)
        utilities.push_back(
            {{"server", g.server}, {"module", fs::path(g.module->path()).filename().string()}});
    const RenderSizes &sizes = renderer_.sizes();
    std::error_code ec;
    return {{"scene", files_.shown(fs::weakly_canonical(scene_.path, ec))},
            {"root", files_.root().string()},
            {"width", sizes.fullWidth},
            {"height", sizes.fullHeight},
            {"preview", {{"width", sizes.previewWidth}, {"height", sizes.previewHeight}}},
            {"firstFrame", scene_.firstFrame},
            {"lastFrame", scene_.lastFrame},
            {"frame", renderer_.frame()},
            {"view", viewName(renderer_.view())},
            {"objects", objects},
            {"filters", filters},
            {"utilities", utilities},
            {"history", historyJson()}};
}

}  // namespace minihost::studio
