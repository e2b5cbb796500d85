#include "minihost/cli/render_command.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>

#include "minihost/assets/asset_formats.h"
#include "minihost/cli/early_report.h"
#include "minihost/cli/frame_delivery.h"
#include "minihost/cli/layer_option.h"
#include "minihost/cli/module_errors.h"
#include "minihost/cli/outline_hints.h"
#include "minihost/cli/output_checks.h"
#include "minihost/cli/output_paths.h"
#include "minihost/cli/render_report.h"
#include "minihost/cli/scene_session.h"
#include "minihost/core/system_memory.h"
#include "minihost/files/module_search.h"
#include "minihost/render/image_files.h"
#include "minihost/render/render_session.h"
#include "minihost/servers/scene_saver.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/progress_bar.h"

namespace minihost::cli {

namespace {

// Ctrl-C and a job runner's termination both stop the render after the
// frame being written, dropping the one being rendered.
// A lock-free atomic: safe in a signal handler, and seen by the render loop
// whichever thread the signal arrived on.
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
void onStopSignal(int signal) {
    stopSignal = signal;
    requestAbort();
}

class StopSignals {
public:
    StopSignals()
            : interrupt_(std::signal(SIGINT, onStopSignal)), terminate_(std::signal(SIGTERM, onStopSignal)) {
        stopSignal = 0;
    }
    ~StopSignals() {
        std::signal(SIGINT, interrupt_);
        std::signal(SIGTERM, terminate_);
    }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    void (*interrupt_)(int), (*terminate_)(int);
};

// The frames to render: each gets its record in the report; with
// --skip-existing, a frame whose file exists whole, at the scene's size, is
// left as it is.
std::vector<int> planFrames(const Scene &scene, const std::vector<int> &frames, const OutputPlan &outputs,
                            bool skipExisting, RunReport &report) {
    std::vector<int> toRender;
    for (const int frame : frames) {
        FrameRecord &record = report.add(frame, outputs.imageOf(frame));
        if (skipExisting && isCompleteImage(record.file, scene.width, scene.height))
            record.status = FrameStatus::Skipped;
        else
            toRender.push_back(frame);
    }
    return toRender;
}

// The run's end in the report, which is then written whatever happened.
// A report that cannot be written fails a run that went well.
int finished(RunReport &report, const std::string &state, int status, const StageTimes &times,
             const std::string &error, std::ostream &err) {
    report.finish(state, status, times, error);
    std::string saveError;
    if (report.save(saveError)) return status;
    err << "minihost: " << saveError << '\n';
    return status == 0 ? 1 : status;
}

// --edition chooses the outlines of a model file rendered as it is.
bool checkEdition(const RenderArgs &args, std::ostream &err) {
    if (args.edition.empty()) return true;
    if (!isAssetFile(args.scene) && !isObjFile(args.scene)) {
        err << "minihost: --edition applies to a model file (" << meshFormatsText() << "), not to a scene\n";
        return false;
    }
    if (args.edition == "stroke" || args.edition == "line") return true;
    err << "minihost: --edition " << args.edition << ": expected stroke or line\n";
    return false;
}

}  // namespace

int runRender(const RenderArgs &args, std::ostream &realErr) {
    const auto start = std::chrono::steady_clock::now();
    // The report is written at the start and with any fault below, where it
    // can replace nothing the scene reads (cli/early_report.h).
    RecordedErrors recorded(realErr);
    std::ostream err(&recorded);
    RunReport report(args.report, args.scene, args.output);
    bool reportWritable = reportMayBeWrittenEarly(args.report, args.scene);
    StageTimes times;
    std::string error;
    if (reportWritable && !report.save(error)) {
        err << "minihost: " << error << '\n';
        return 1;
    }
    const auto refused = [&] {
        if (reportWritable) finished(report, "failed", 1, times, recorded.lastMessage(), err);
        return 1;
    };

    std::vector<int> frames;
    if (!args.frames.empty() && !parseFrameList(args.frames, frames, error)) {
        err << "minihost: " << error << '\n';
        return refused();
    }
    if (!checkThreadCount(args.threads, err) || !checkOutputPath(args.output, err)) return refused();
    std::size_t memoryLimit = 0;
    if (!args.memoryLimit.empty() && !parseMemorySize(args.memoryLimit, memoryLimit)) {
        err << "minihost: --memory-limit " << args.memoryLimit << ": expected a size such as 1500M or 2G\n";
        return refused();
    }
    setMemoryLimit(memoryLimit);
    LayerChoice layers;
    if (!chooseLayers(args.layers, args.output, layers, err)) return refused();
    for (const std::string &file : {args.saveScene, args.report})
        if (!file.empty() && !checkOutputPath(file, err)) return refused();

    installCoreServices();
    clearAbort();
    setModuleSearchPath(args.modulePaths);
    setSceneModulesAllowed(args.allowSceneModules);
    if (!checkEdition(args, err)) return refused();
    SceneSession session;
    if (!session.load(args.scene, err, args.edition.empty() ? "stroke" : args.edition) ||
        !session.start(err)) {
        // An image that memory cannot hold beside the frame fails as a frame
        // too large does, before it is decoded.
        if (session.images().refused() && reportWritable)
            return finished(report, "failed", kModuleErrorStatus, times, recorded.lastMessage(), err);
        return session.images().refused() ? kModuleErrorStatus : refused();
    }
    Scene *scene = &session.scene();
    ServerSet *servers = &session.servers();
    for (const std::string &hint : outlineHints(*scene))
        err << "minihost: " << args.scene << ": " << hint << '\n';
    times.load = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (args.frames.empty())
        for (long long f = scene->firstFrame; f <= scene->lastFrame; ++f)
            frames.push_back(static_cast<int>(f));
    OutputPlan outputs(args.output, frames, args.saveScene);
    outputs.addOutput("--report", args.report);
    if (!outputs.check(*scene, err)) return refused();
    reportWritable = true;
    const std::vector<int> toRender = planFrames(*scene, frames, outputs, args.skipExisting, report);
    // A frame the memory budget cannot hold fails as a module's refused
    // block does, with the need and the budget, before anything is touched.
    if (!toRender.empty() && !frameFitsInMemory(*scene, error)) {
        err << "minihost: " << error << '\n';
        for (const int frame : toRender) report.find(frame)->status = FrameStatus::Failed;
        return finished(report, "failed", kModuleErrorStatus, times, error, err);
    }
    session.images().frameAdmitted();
    if (toRender.size() < frames.size())
        err << "minihost: " << frames.size() - toRender.size() << " of " << frames.size()
            << " frames exist already and are left as they are\n";

    RenderOptions options;
    options.frames = toRender;
    options.threads = args.threads > 0 ? args.threads : defaultThreadCount();
    options.progress = !args.quiet && toRender.size() == 1;  // a range shows its own progress
    options.layers = layers;
    setProgressQuiet(args.quiet);
    FrameWriterOptions writing;
    writing.pngCompression = args.pngCompression;
    writing.exrFloat = args.exrFloat;
    writing.exrStraight = args.exrStraight;

    const ModuleErrorWatch moduleErrors;
    RenderResult result = RenderResult::Done;
    int stoppedBy = 0;
    {
        FrameDelivery delivery(*scene, outputs, toRender, writing, report, times, err);
        delivery.saveReport(true);
        if (!toRender.empty()) {
            const StopSignals signals;
            auto sink = [&](int frame, const FrameBuffer &image, std::string &e) {
                return delivery.deliver(frame, image, e);
            };
            result = renderFrames(*scene, *servers, options, sink, times, error);
            stoppedBy = stopSignal;
        }
        const auto waitStart = std::chrono::steady_clock::now();
        std::string writeError;
        if (!delivery.finish(writeError) && result != RenderResult::Failed) {
            result = RenderResult::Failed;
            error = writeError;
        }
        times.output += std::chrono::duration<double>(std::chrono::steady_clock::now() - waitStart).count();
        if (result != RenderResult::Done)
            delivery.stopped(result == RenderResult::Aborted ? FrameStatus::Aborted : FrameStatus::Failed);
    }
    if (result == RenderResult::Failed) {
        if (error.empty()) error = args.scene + ": the render failed";
        err << "minihost: " << error << '\n';
        return finished(report, "failed", 1, times, error, err);
    }
    err << "minihost: time: " << times.summary() << '\n';
    if (result == RenderResult::Aborted) {
        const int status = stoppedBy == SIGTERM ? 143 : 130;
        err << "minihost: " << (stoppedBy == SIGTERM ? "terminated" : "aborted");
        if (!args.report.empty()) err << "; " << args.report << " says which frames are done";
        err << '\n';
        return finished(report, "aborted", status, times, "", err);
    }
    if (moduleErrors.report(err)) return finished(report, "finished", kModuleErrorStatus, times, "", err);
    // The scene is saved only once every frame is written.
    if (!outputs.savedScene().empty()) {
        if (!saveScene(*scene, *servers, outputs.savedScene(), error)) {
            err << "minihost: " << error << '\n';
            return finished(report, "failed", 1, times, error, err);
        }
        err << "minihost: saved " << outputs.savedScene() << '\n';
    }
    return finished(report, "finished", 0, times, "", err);
}

void addRenderCommand(CLI::App &app, int &exitCode) {
    CLI::App *render = app.add_subcommand("render", "Render a scene to PNG or OpenEXR files");
    auto args = std::make_shared<RenderArgs>();
    render
        ->add_option("SCENE", args->scene,
                     "Scene description (JSON), or a model file to render with outlines")
        ->required();
    render->add_option("--edition", args->edition, "A model file's outlines: stroke (default) or line");
    render
        ->add_option("-o,--output", args->output,
                     "Output file: .png or .exr; shot.####.exr or shot.%04d.exr number the frames")
        ->required();
    render->add_option("--frames", args->frames,
                       "Frames: 7, 1-240, 1-240x10 (every 10th), 1,5,9-12 (default: the scene's range)");
    render->add_option("--threads", args->threads, "Shading threads (default: every core)");
    render->add_option("--save-scene", args->saveScene, "Also save the scene with every instance's data");
    render
        ->add_option("--png-compression", args->pngCompression,
                     "PNG compression level, 0 (none) to 9 (smallest, slowest); default 1 (fastest)")
        ->check(CLI::Range(0, kMaxPngCompression));
    render->add_flag("--exr-float", args->exrFloat, "OpenEXR colour in 32-bit floats (default: half floats)");
    render->add_flag("--exr-straight", args->exrStraight,
                     "OpenEXR colour not multiplied by the alpha (default: premultiplied)");
    render->add_option("--layers", args->layers,
                       "Layers for compositing in the OpenEXR file: lines, base, N, id (e.g. lines,base)");
    render->add_flag("--skip-existing", args->skipExisting, "Leave frames whose file exists and is whole");
    render->add_option("--report", args->report, "Write a run report (JSON) to this file");
    render
        ->add_option("--module-path", args->modulePaths,
                     "A trusted folder of modules, searched for modules a scene names by name (repeatable)")
        ->allow_extra_args(false);
    render->add_flag(
        "--allow-scene-modules", args->allowSceneModules,
        "Let the scene load modules from its own folder or any path (they run with your rights)");
    render->add_option("--memory-limit", args->memoryLimit,
                       "Memory the render may use, such as 1500M or 2G (default: what the machine, its "
                       "memory cgroup and the address-space limit leave)");
    render->add_flag("-q,--quiet", args->quiet, "No progress bars");
    render->callback([args, &exitCode] { exitCode = runRender(*args, std::cerr); });
}

}  // namespace minihost::cli
