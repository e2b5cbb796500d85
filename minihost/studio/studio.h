// The studio: a scene with its modules, shown and changed as a host's user
// interface does. Every change goes through the modules' own callbacks (a
// panel's set, a button, a pop-up command, a dialog's confirm, a generic
// command) and is followed by a new render of the frame. The HTTP server
// (studio_server.h) is a thin layer over these calls.
//
// Each call either does all it was asked or, on a request that is malformed
// or not allowed, throws StudioError with the HTTP status to answer and
// changes nothing. Reads (sceneJson, panel) answer from a snapshot taken
// after the last change, so they never wait for a render.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/xpanel.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/scene/scene.h"
#include "minihost/servers/server_instances.h"
#include "minihost/studio/confined_paths.h"
#include "minihost/studio/frame_renderer.h"
#include "minihost/studio/scene_history.h"
#include "minihost/studio/scene_lock.h"
#include "minihost/studio/staging_folder.h"

namespace minihost::studio {

struct StudioError : std::runtime_error {
    StudioError(int code, const std::string &message, nlohmann::json more = nullptr)
            : std::runtime_error(message), status(code), details(std::move(more)) {}
    int status;              // 400 malformed, 403 not allowed, 404 unknown, 409 conflict
    nlohmann::json details;  // more for the page, e.g. {"exists": true}
};

struct StudioOptions {
    std::string root;                         // files are read and written only below it
    int previewWidth = 0, previewHeight = 0;  // 0: the default preview size
    int threads = 0;                          // shading threads; 0: every core
};

class Studio {
public:
    // The scene and its servers must outlive the studio. Throws StudioError
    // when the root is no folder.
    Studio(Scene &scene, ServerSet &servers, const StudioOptions &options);
    ~Studio();
    Studio(const Studio &) = delete;
    Studio &operator=(const Studio &) = delete;

    void start() { renderer_.start(); }
    void stop() { renderer_.stop(); }
    FrameRenderer &renderer() { return renderer_; }
    const ConfinedFolder &files() const { return files_; }

    // The scene as the page lists it: objects (with their mesh files),
    // surfaces and all their shaders, filters, utilities, frames, sizes and
    // the undo history. From the snapshot.
    nlohmann::json sceneJson() const;
    // The panel of a shader or filter as last opened, from the snapshot;
    // {"kind": "closed"} when it has not been opened.
    nlohmann::json panel(int use) const;
    // Opens the panel (the module's interface activation, a change the first
    // time): an "LWXPanel" panel, the dialog its interface opens, or
    // {"kind": "none"}.
    nlohmann::json openPanel(int use);

    // Panel actions; each answers the panel as it is afterwards. A value is
    // checked against the control's description first (a choice within its
    // list, a switch 0 or 1, a whole number where one is asked, a finite
    // number). With `key` set, an animated colour or percent gets a key at
    // the frame on show instead of losing its keys.
    nlohmann::json setValue(int use, uint32_t control, const nlohmann::json &value, bool key = false);
    nlohmann::json press(int use, uint32_t control);
    // A pop-up command. When the module asks for a file and no `path` is
    // given, nothing is done and the answer describes the request
    // ({"fileRequest": {"title", "save", "extension", "files"}}); with a path
    // the command runs again and the request is answered with it.
    nlohmann::json popup(int use, uint32_t control, int entry, const std::string &path, bool overwrite);
    // Confirms the dialog of a use's interface with values by control index.
    nlohmann::json confirmDialog(int use, const nlohmann::json &values);

    // A generic command's dialog, and running it confirmed with values.
    nlohmann::json utility(const std::string &server);
    nlohmann::json runUtility(const std::string &server, const nlohmann::json &values);

    // Makes the named objects the selection.
    nlohmann::json select(const nlohmann::json &objects);
    // The frame and the view to show.
    nlohmann::json show(int frame, const std::string &view);
    // Writes the scene with every instance's data.
    nlohmann::json saveScene(const std::string &path, bool overwrite);
    // Files below the root with that extension.
    nlohmann::json listFiles(const std::string &extension);

    // Undo and redo of the changes made so far, each put back through the
    // instances' own load (and, for shaders the utility added or removed,
    // their create and destroy).
    nlohmann::json undo();
    nlohmann::json redo();
    // Stops the running render; the frame on show stays until the next change.
    nlohmann::json cancel();

private:
    struct Use {
        int id = 0;
        const ServerUse *use = nullptr;  // the scene's entry
        const ActiveHandler *handler = nullptr;
        Instance instance = nullptr;
        std::string kind;  // "shader", "pixel filter", "image filter"
        SceneSurface *surface = nullptr;
        std::string where;  // "Object/Surface", or the filter's kind
    };
    struct Generic {
        LoadedModule *module = nullptr;
        std::string server;
    };

    // Gives every instance of the server set an id, keeping the ids of
    // instances already known and forgetting the panels of those gone.
    void listUses();
    const Use &useOf(int id) const;
    // The use's interface server class, or "" when its module has none.
    std::string interfaceClass(const Use &u) const;
    // The "LWXPanel" panel of a use, null when it has none yet.
    XPanelID cachedPanel(const Use &u) const;
    // Runs the interface activation of `inst` (its dialog answered as
    // queued). Returns the "LWXPanel" panel it makes, if any; `dialog` gets
    // the dialog it opened, if any.
    XPanelID activateFor(const Use &u, Instance inst, RecordedPanel *dialog);
    // The same for the use's own instance, keeping the panel it makes.
    XPanelID activateInterface(const Use &u, RecordedPanel *dialog);
    // Inside a change: the use's "LWXPanel" panel, made now if need be;
    // throws StudioError(404) when its interface makes none.
    XPanelID panelOf(const Use &u);
    nlohmann::json panelJsonOf(const Use &u);
    // What a fresh instance of the use's server shows: by control id for a
    // panel, by index for a dialog. Made once per server.
    const nlohmann::json &defaultsOf(const Use &u);
    const Generic &genericOf(const std::string &server) const;
    // Checks dialog values against the dialog's controls and turns them into
    // its answer; throws StudioError(400) on a value that does not fit. A
    // file is handed over as a private copy: the names made in the staging
    // folder are returned, to remove once the dialog ran.
    std::vector<std::string> queueConfirm(const RecordedPanel &dialog, const nlohmann::json &values);

    // Every instance's saved data now, for the history.
    SceneState capture();
    // Puts the scene back to `state` through the instances' own load, making
    // and destroying shaders where their lists differ.
    void restore(const SceneState &state);
    // Ends a change: records it in the history when it changed an instance,
    // renders again and takes the snapshot.
    void changed(const std::string &what, SceneState before);
    // The snapshot of the scene and the open panels (inside a change).
    void takeSnapshot();
    nlohmann::json buildSceneJson();
    nlohmann::json historyJson() const;

    Scene &scene_;
    ServerSet &servers_;
    ConfinedFolder files_;
    StagingFolder staging_;
    SceneLock lock_;
    FrameRenderer renderer_;
    std::vector<Use> uses_;
    std::map<Instance, int> ids_;
    std::map<Instance, XPanelID> panels_;
    std::map<std::string, nlohmann::json> defaults_;  // by server
    std::vector<Generic> generics_;
    SceneHistory history_;
    int nextId_ = 1;

    mutable std::mutex snapshotMutex_;
    nlohmann::json sceneSnapshot_;
    std::map<int, nlohmann::json> panelSnapshots_;
};

// The preview size of a frame when none is given: the frame scaled down to
// fit 240 x 240, keeping its shape.
void defaultPreviewSize(int width, int height, int &previewWidth, int &previewHeight);

}  // namespace minihost::studio
