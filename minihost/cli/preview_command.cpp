#include "minihost/cli/preview_command.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <filesystem>
#include <iostream>

#include "minihost/cli/module_errors.h"
#include "minihost/cli/module_trust_options.h"
#include "minihost/cli/output_checks.h"
#include "minihost/cli/output_paths.h"
#include "minihost/cli/scene_session.h"
#include "minihost/render/png_output.h"
#include "minihost/render/preview_render.h"
#include "minihost/render/preview_scene.h"
#include "minihost/services/core_services.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/progress_bar.h"

namespace minihost::cli {

namespace {

std::string joined(const std::vector<std::string> &names) {
    std::string out;
    for (const auto &n : names) out += (out.empty() ? "\"" : ", \"") + n + "\"";
    return out;
}

}  // namespace

int runPreview(const PreviewArgs &args, std::ostream &err) {
    if (args.size < 1 || args.size > kMaxPreviewSize) {
        err << "minihost: --size " << args.size << ": expected 1 to " << kMaxPreviewSize << '\n';
        return 1;
    }
    if (!checkThreadCount(args.threads, err) || !checkOutputPath(args.output, err)) return 1;

    installCoreServices();
    clearAbort();
    SceneSession session;
    if (!session.load(args.scene, err)) return 1;
    Scene *scene = &session.scene();
    const SceneSurface *surface = findPreviewSurface(*scene, args.surface);
    if (!surface) {
        const auto names = surfaceNames(*scene);
        err << "minihost: " << args.scene << ": no surface named \"" << args.surface << "\" ("
            << (names.empty() ? std::string("the scene has no surfaces") : "known: " + joined(names))
            << ")\n";
        return 1;
    }
    const OutputPlan outputs(args.output, 1, 1, "");
    if (!outputs.check(*scene, err) || !session.start(err)) return 1;
    ServerSet *servers = &session.servers();

    PreviewOptions options;
    options.size = args.size;
    options.threads = args.threads > 0 ? args.threads : defaultThreadCount();
    setProgressQuiet(args.quiet);
    FrameBuffer image;
    PreviewInfo info;
    std::string error;
    const ModuleErrorWatch moduleErrors;
    auto previous = std::signal(SIGINT, onInterrupt);
    const RenderResult result =
        renderPreview(*scene, *surface, servers->shadersOf(*surface), options, image, info, error);
    std::signal(SIGINT, previous);
    if (result == RenderResult::Aborted) {
        err << "minihost: aborted\n";
        return 130;
    }
    if (result == RenderResult::Failed) {
        err << "minihost: " << args.scene << ": " << (error.empty() ? "the preview failed" : error) << '\n';
        return 1;
    }
    if (!writePng(image, args.output, error)) {
        err << "minihost: " << error << '\n';
        return 1;
    }
    if (!args.quiet) err << "minihost: wrote " << args.output << '\n';
    return moduleErrors.report(err) ? kModuleErrorStatus : 0;
}

void addPreviewCommand(CLI::App &app, int &exitCode) {
    CLI::App *preview = app.add_subcommand("preview", "Render one surface of a scene on a preview sphere");
    auto args = std::make_shared<PreviewArgs>();
    preview->add_option("SCENE", args->scene, "Scene description (JSON)")->required();
    preview->add_option("--surface", args->surface, "The surface to show: NAME or OBJECT/NAME")->required();
    preview->add_option("-o,--output", args->output, "Output PNG")->required();
    preview->add_option("--size", args->size, "Width and height in pixels (default 96)");
    preview->add_option("--threads", args->threads, "Shading threads (default: every core)");
    preview->add_flag("-q,--quiet", args->quiet, "No messages on success");
    const auto trust = addModuleTrustOptions(*preview);
    preview->callback([args, trust, &exitCode] {
        applyModuleTrust(*trust);
        exitCode = runPreview(*args, std::cerr);
    });
}

}  // namespace minihost::cli
