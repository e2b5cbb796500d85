#include "minihost/cli/render_command.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>

#include "minihost/cli/module_errors.h"
#include "minihost/cli/output_checks.h"
#include "minihost/cli/output_paths.h"
#include "minihost/cli/scene_session.h"
#include "minihost/render/frame_writer.h"
#include "minihost/render/png_output.h"
#include "minihost/render/render_session.h"
#include "minihost/servers/scene_saver.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/progress_bar.h"

namespace minihost::cli {

namespace {

bool parseInt(const std::string &s, int &out) {
    if (s.empty()) return false;
    size_t used = 0;
    try {
        const long v = std::stol(s, &used);
        if (used != s.size() || v < -1000000 || v > 1000000) return false;
        out = static_cast<int>(v);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

}  // namespace

bool parseFrameRange(const std::string &text, int &first, int &last) {
    const size_t dash = text.find('-', 1);  // a leading '-' is a sign
    if (dash == std::string::npos) {
        if (!parseInt(text, first)) return false;
        last = first;
        return true;
    }
    return parseInt(text.substr(0, dash), first) && parseInt(text.substr(dash + 1), last) && first <= last;
}

int runRender(const RenderArgs &args, std::ostream &err) {
    const auto start = std::chrono::steady_clock::now();
    int first = 0, last = 0;
    if (!args.frames.empty() && !parseFrameRange(args.frames, first, last)) {
        err << "minihost: --frames \"" << args.frames << "\": expected A-B or A, with A <= B\n";
        return 1;
    }
    if (!checkThreadCount(args.threads, err) || !checkOutputFolder(args.output, err)) return 1;
    if (!args.saveScene.empty() && !checkOutputFolder(args.saveScene, err)) return 1;

    installCoreServices();
    clearAbort();
    SceneSession session;
    if (!session.load(args.scene, err) || !session.start(err)) return 1;
    Scene *scene = &session.scene();
    ServerSet *servers = &session.servers();
    StageTimes times;
    times.load = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    RenderOptions options;
    options.firstFrame = args.frames.empty() ? scene->firstFrame : first;
    options.lastFrame = args.frames.empty() ? scene->lastFrame : last;
    options.threads = args.threads > 0 ? args.threads : defaultThreadCount();
    options.progress = !args.quiet;
    const OutputPlan outputs(args.output, options.firstFrame, options.lastFrame, args.saveScene);
    if (!outputs.check(*scene, err)) return 1;
    setProgressQuiet(args.quiet);
    // Each frame is handed to the writer, which encodes it while the next
    // frame renders; the frame before is waited for first.
    FrameWriter writer(args.pngCompression);
    auto finishWrite = [&](std::string &error) {
        std::string written;
        if (!writer.wait(written, error)) return false;
        if (!written.empty()) err << "minihost: wrote " << written << '\n';
        return true;
    };
    auto sink = [&](int frame, const FrameBuffer &image, std::string &error) {
        if (!finishWrite(error)) return false;
        writer.start(image, outputs.imageOf(frame));
        return true;
    };

    const ModuleErrorWatch moduleErrors;
    auto previous = std::signal(SIGINT, onInterrupt);
    std::string error;
    RenderResult result = renderFrames(*scene, *servers, options, sink, times, error);
    std::signal(SIGINT, previous);
    const auto waitStart = std::chrono::steady_clock::now();
    std::string writeError;
    if (!finishWrite(writeError) && result != RenderResult::Failed) {
        result = RenderResult::Failed;
        error = writeError;
    }
    times.output += std::chrono::duration<double>(std::chrono::steady_clock::now() - waitStart).count();
    if (result == RenderResult::Failed) {
        err << "minihost: " << (error.empty() ? args.scene + ": the render failed" : error) << '\n';
        return 1;
    }
    err << "minihost: time: " << times.summary() << '\n';
    if (result == RenderResult::Aborted) {
        err << "minihost: aborted\n";
        return 130;
    }
    if (moduleErrors.report(err)) return kModuleErrorStatus;
    // The scene is saved only once every frame is written.
    if (!outputs.savedScene().empty()) {
        if (!saveScene(*scene, *servers, outputs.savedScene(), error)) {
            err << "minihost: " << error << '\n';
            return 1;
        }
        err << "minihost: saved " << outputs.savedScene() << '\n';
    }
    return 0;
}

void addRenderCommand(CLI::App &app, int &exitCode) {
    CLI::App *render = app.add_subcommand("render", "Render a scene to PNG files");
    auto args = std::make_shared<RenderArgs>();
    render->add_option("SCENE", args->scene, "Scene description (JSON)")->required();
    render->add_option("-o,--output", args->output, "Output PNG; a frame range adds the frame number")
        ->required();
    render->add_option("--frames", args->frames, "Frames to render, A-B or A (default: the scene's)");
    render->add_option("--threads", args->threads, "Shading threads (default: every core)");
    render->add_option("--save-scene", args->saveScene, "Also save the scene with every instance's data");
    render
        ->add_option("--png-compression", args->pngCompression,
                     "PNG compression level, 0 (none) to 9 (smallest, slowest); default 1 (fastest)")
        ->check(CLI::Range(0, kMaxPngCompression));
    render->add_flag("-q,--quiet", args->quiet, "No progress bars");
    render->callback([args, &exitCode] { exitCode = runRender(*args, std::cerr); });
}

}  // namespace minihost::cli
