// The studio's scene: the instances it lists, their interfaces and panels.
#include "minihost/studio/studio.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "minihost/files/input_error.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/render/render_session.h"
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
    return ConfinedFolder(root);
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
}

Studio::~Studio() {
    renderer_.stop();
    for (const auto &[inst, panel] : panels_) xpanelRecord()->destroy(panel);
}

void Studio::listUses() {
    std::vector<Use> fresh;
    std::map<Instance, int> ids;
    auto add = [&](const LiveUse &live, const char *kind) {
        if (!live.instance || !live.handler) return;
        auto known = ids_.find(live.instance);
        const int id = known != ids_.end() ? known->second : nextId_++;
        ids[live.instance] = id;
        fresh.push_back(Use{id, live.use, live.handler, live.instance, kind});
    };
    const LiveUses &live = servers_.live();
    for (const auto &object : live.shaders)
        for (const auto &surface : object)
            for (const LiveUse &shader : surface) add(shader, "shader");
    for (const LiveUse &filter : live.pixelFilters) add(filter, "pixel filter");
    for (const LiveUse &filter : live.imageFilters) add(filter, "image filter");
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

XPanelID Studio::activateInterface(const Use &u, RecordedPanel *dialog) {
    const std::string cls = interfaceClass(u);
    if (cls.empty()) return nullptr;
    const size_t dialogsBefore = recordedPanels().size();
    InterfaceRecord iface{};
    iface.inst = u.instance;
    const int result = u.handler->module->activate(cls, u.use->server, INTERFACE_VERSION, &iface);
    if (dialog) {
        const auto dialogs = recordedPanels();
        if (dialogs.size() > dialogsBefore) *dialog = dialogs.back();
    }
    const auto panel = static_cast<XPanelID>(iface.panel);
    if (result != AFUNC_OK || !panel || !xpanelRecordOf(panel)) return nullptr;
    panels_[u.instance] = panel;
    return panel;
}

XPanelID Studio::panelOf(const Use &u) {
    if (XPanelID p = cachedPanel(u)) return p;
    clearRecordedPanels();
    if (XPanelID p = activateInterface(u, nullptr)) return p;
    throw StudioError(404, u.use->server + " has no panel");
}

json Studio::sceneJson() {
    auto reading = lock_.read();
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
        objects.push_back({{"name", object->name}, {"selected", object->selected}, {"surfaces", surfaces}});
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
            {"utilities", utilities}};
}

json Studio::panel(int id) {
    {
        auto reading = lock_.read();
        const Use &u = useOf(id);
        if (cachedPanel(u)) return panelAfterChange(u);
        if (interfaceClass(u).empty()) return {{"kind", "none"}, {"use", id}, {"server", u.use->server}};
    }
    // Opening a panel runs the module's interface activation, which may
    // write module-wide state: it is a change.
    auto changing = lock_.change();
    const Use &u = useOf(id);
    if (cachedPanel(u)) return panelAfterChange(u);
    clearRecordedPanels();  // nothing queued: a dialog is answered with Cancel
    RecordedPanel dialog;
    if (activateInterface(u, &dialog)) return panelAfterChange(u);
    json out = dialog.controls.empty() ? json{{"kind", "none"}} : dialogJson(dialog, files_);
    out["use"] = id;
    out["server"] = u.use->server;
    return out;
}

json Studio::panelAfterChange(const Use &u) {
    json out = xpanelJson(cachedPanel(u));
    if (out.is_null()) throw StudioError(404, u.use->server + " has no panel open");
    out["use"] = u.id;
    out["server"] = u.use->server;
    return out;
}

}  // namespace minihost::studio
