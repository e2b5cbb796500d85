#include "minihost/cli/serve_command.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include <pthread.h>

#include "minihost/cli/module_trust_options.h"
#include "minihost/cli/output_checks.h"
#include "minihost/cli/scene_session.h"
#include "minihost/services/core_services.h"
#include "minihost/services/monitor_service.h"
#include "minihost/studio/studio.h"
#include "minihost/studio/studio_server.h"

namespace minihost::cli {

namespace {

// SIGINT and SIGTERM are taken by sigwait on the command's own thread; every
// thread started after this inherits the block, so none is interrupted.
class BlockedStopSignals {
public:
    BlockedStopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    }
    ~BlockedStopSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    void wait() {
        int sig = 0;
        sigwait(&set_, &sig);
    }

private:
    sigset_t set_, previous_;
};

bool side(const std::string &text, int &out) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoi(text);
    return out >= 1 && out <= 4096;
}

}  // namespace

bool parsePreviewSize(const std::string &text, int &width, int &height) {
    const size_t x = text.find('x');
    return x != std::string::npos && side(text.substr(0, x), width) && side(text.substr(x + 1), height);
}

int runServe(const ServeArgs &args, std::ostream &out, std::ostream &err) {
    studio::StudioOptions options;
    if (!args.preview.empty() &&
        !parsePreviewSize(args.preview, options.previewWidth, options.previewHeight)) {
        err << "minihost: --preview " << args.preview << ": expected WxH, each 1 to 4096\n";
        return 1;
    }
    if (!checkThreadCount(args.threads, err)) return 1;
    options.threads = args.threads;
    const std::string sceneFolder = std::filesystem::path(args.scene).parent_path().string();
    options.root = !args.root.empty() ? args.root : sceneFolder.empty() ? "." : sceneFolder;

    BlockedStopSignals signals;
    installCoreServices();
    clearAbort();
    SceneSession session;
    if (!session.load(args.scene, err) || !session.start(err)) return 1;
    try {
        studio::Studio studio(session.scene(), session.servers(), options);
        studio::StudioServer server(studio);
        std::string error;
        if (!server.bind(args.listen, args.port, error)) {
            err << "minihost: " << error << '\n';
            return 1;
        }
        std::thread serving([&] { server.run(); });
        studio.start();
        if (server.beyondLoopback())
            err << "minihost: listening on " << args.listen << ", beyond this machine: whoever has the "
                << "address below, token included, can change the scene and write files under "
                << studio.files().root().string() << "; the traffic is not encrypted\n";
        out << "minihost: serving " << args.scene << " at " << server.url() << " (files under "
            << studio.files().root().string() << "; Ctrl-C stops)" << std::endl;
        signals.wait();
        studio.stop();
        server.stop();
        serving.join();
    } catch (const studio::StudioError &e) {
        err << "minihost: " << e.what() << '\n';
        return 1;
    }
    err << "minihost: stopped\n";
    return 0;
}

void addServeCommand(CLI::App &app, int &exitCode) {
    CLI::App *cmd = app.add_subcommand("serve", "Show a scene and its panels in the browser");
    auto args = std::make_shared<ServeArgs>();
    cmd->add_option("SCENE", args->scene, "Scene description (JSON)")->required();
    cmd->add_option("--port", args->port, "Port to listen on (default 8765; 0: any free port)");
    cmd->add_option("--preview", args->preview, "Preview size WxH (default: the frame within 240 x 240)");
    cmd->add_option("--listen", args->listen, "Address to listen on (default 127.0.0.1)");
    cmd->add_option("--root", args->root, "The folder for presets and saved scenes (default: the scene's)");
    cmd->add_option("--threads", args->threads, "Shading threads (default: every core)");
    const auto trust = addModuleTrustOptions(*cmd);
    cmd->callback([args, trust, &exitCode] {
        applyModuleTrust(*trust);
        exitCode = runServe(*args, std::cout, std::cerr);
    });
}

}  // namespace minihost::cli
