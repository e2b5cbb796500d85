// Renders scene text through minihost's own pipeline (scene services, server
// set, render session) and hands back the frames and the recorder plug-in's
// log, read before the modules are unloaded.
#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/render/render_session.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/progress_bar.h"
#include "minihost/services/scene_services.h"

namespace rendertest {

inline std::string recorderPath() { return std::string(QR_TEST_PLUGIN_DIR) + "/QR_Recorder.so"; }

struct Run {
    minihost::RenderResult result = minihost::RenderResult::Failed;
    std::string error;
    std::vector<minihost::FrameBuffer> frames;
    std::vector<std::string> log;  // the recorder's lines
};

inline std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// What is done with the loaded scene before rendering (saving, say).
using BeforeRender = std::function<void(minihost::Scene &, minihost::ServerSet &)>;

inline Run render(const std::string &json, int threads = 1, const std::string &path = "test.json",
                  const BeforeRender &before = {}) {
    using namespace minihost;
    Run run;
    setProgressQuiet(true);
    setMessagesQuiet(true);
    installCoreServices();
    std::unique_ptr<Scene> scene;
    auto servers = std::make_unique<ServerSet>();
    try {
        scene = loadSceneText(json, path);
        installSceneServices(*scene);
        servers->build(*scene);
    } catch (const std::exception &e) {
        run.error = e.what();
        servers.reset();
        removeSceneServices();
        return run;
    }
    if (before) before(*scene, *servers);
    // The recorder's log, if the scene loaded it; the handle keeps it loaded.
    void *handle = dlopen(recorderPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    using LogFn = const char *(*)();
    using ClearFn = void (*)();
    auto logText = handle ? reinterpret_cast<LogFn>(dlsym(handle, "recorder_log_text")) : nullptr;
    auto logClear = handle ? reinterpret_cast<ClearFn>(dlsym(handle, "recorder_log_clear")) : nullptr;
    RenderOptions options;
    options.firstFrame = scene->firstFrame;
    options.lastFrame = scene->lastFrame;
    options.threads = threads;
    StageTimes times;
    run.result = renderFrames(
        *scene, *servers, options,
        [&](int, const FrameBuffer &image, std::string &) {
            run.frames.push_back(image);
            return true;
        },
        times, run.error);
    servers.reset();  // destroy is logged too
    if (logText) run.log = lines(logText());
    if (logClear) logClear();
    if (handle) dlclose(handle);
    discardRenderMemory();
    removeSceneServices();
    return run;
}

// The index of the first log line starting with `prefix`, or -1.
inline int firstLine(const std::vector<std::string> &log, const std::string &prefix) {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

inline int lastLine(const std::vector<std::string> &log, const std::string &prefix) {
    for (size_t i = log.size(); i-- > 0;)
        if (log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

inline int countLines(const std::vector<std::string> &log, const std::string &prefix) {
    int n = 0;
    for (const auto &l : log) n += l.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

inline bool sameImage(const minihost::FrameBuffer &a, const minihost::FrameBuffer &b) {
    return a.width == b.width && a.height == b.height && a.red == b.red && a.green == b.green &&
           a.blue == b.blue && a.alpha == b.alpha && a.depth == b.depth;
}

}  // namespace rendertest
