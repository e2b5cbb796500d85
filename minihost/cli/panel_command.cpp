#include "minihost/cli/panel_command.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "host/handler.h"
#include "minihost/cli/module_trust_options.h"
#include "minihost/cli/output_paths.h"
#include "minihost/cli/scene_session.h"
#include "minihost/cli/scene_targets.h"
#include "minihost/core/loader.h"
#include "minihost/panels/file_request_host.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/servers/active_handler.h"
#include "minihost/servers/scene_saver.h"
#include "minihost/services/core_services.h"
#include "minihost/states/file_io.h"

namespace minihost::cli {

namespace {

bool endsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The instance whose panel is shown, with the module and handler it came
// from; a module target makes a fresh one and destroys it at the end.
struct PanelSubject {
    std::unique_ptr<LoadedModule> ownModule;
    ActiveHandler ownHandler;
    std::unique_ptr<SceneSession> session;
    LoadedModule *module = nullptr;
    const ActiveHandler *handler = nullptr;
    Instance inst = nullptr;
    bool fresh = false;

    ~PanelSubject() {
        if (fresh && inst && handler && handler->inst.destroy) handler->inst.destroy(inst);
    }
};

bool fromModule(const PanelArgs &args, PanelSubject &subject, std::ostream &err) {
    std::string error;
    subject.ownModule = LoadedModule::open(args.target, error);
    if (!subject.ownModule) {
        err << "minihost: " << error << '\n';
        return false;
    }
    std::string handlerClass;
    for (const ServerEntry &e : subject.ownModule->servers())
        if (e.name == args.server && endsWith(e.className, "Handler")) handlerClass = e.className;
    if (handlerClass.empty()) {
        err << "minihost: " << args.target << ": no handler server named \"" << args.server << "\"\n";
        return false;
    }
    if (subject.ownHandler.activate(*subject.ownModule, handlerClass, args.server) != AFUNC_OK ||
        !subject.ownHandler.inst.create) {
        err << "minihost: " << args.server << ": the " << handlerClass << " server did not activate\n";
        return false;
    }
    const char *createError = nullptr;
    subject.inst = subject.ownHandler.inst.create(subject.ownHandler.inst.priv, nullptr, &createError);
    if (!subject.inst) {
        err << "minihost: " << args.server << ": no instance could be created\n";
        return false;
    }
    subject.module = subject.ownModule.get();
    subject.handler = &subject.ownHandler;
    subject.fresh = true;
    return true;
}

bool fromScene(const PanelArgs &args, PanelSubject &subject, std::ostream &err) {
    subject.session = std::make_unique<SceneSession>();
    if (!subject.session->load(args.target, err) || !subject.session->start(err)) return false;
    std::string error;
    const LiveUse *use =
        findServerUse(subject.session->scene(), subject.session->servers(), args.server, args.surface, error);
    if (!use) {
        err << "minihost: " << args.target << ": " << error << '\n';
        return false;
    }
    subject.handler = use->handler;
    subject.module = use->handler->module;
    subject.inst = use->instance;
    return true;
}

// Tells what became of each file request: a preset written or read is the
// point of the command.
void reportFileRequests(std::ostream &err) {
    for (const RecordedFileRequest &r : recordedFileRequests()) {
        err << "minihost: file request \"" << r.title << "\" (" << r.pattern << "): ";
        if (r.chosen)
            err << "answered with " << r.fullPath << '\n';
        else if (!r.error.empty())
            err << "cancelled: " << r.error << '\n';
        else
            err << "cancelled (no --file left to answer it)\n";
    }
    if (const int left = scriptedFileRequestsLeft())
        err << "minihost: " << left << " --file answer" << (left == 1 ? " was" : "s were")
            << " not asked for\n";
}

// Whether every file the panel read or wrote through "File IO" was whole and
// its module's own; says what went wrong otherwise.
bool fileIOWentWell(std::ostream &err) {
    bool well = true;
    if (const std::string error = lastFileIOError(); !error.empty()) {
        err << "minihost: " << error << '\n';
        well = false;
    }
    for (const std::string &file : unreadFileIOLoads()) {
        err << "minihost: " << file
            << ": holds no settings the panel's module reads (data of another module or edition, or cut "
               "short)\n";
        well = false;
    }
    return well;
}

}  // namespace

int runPanel(const PanelArgs &args, std::ostream &out, std::ostream &err) {
    installCoreServices();
    clearFileRequests();
    clearFileIOError();
    clearUnreadFileIOLoads();
    const bool scene = endsWith(args.target, ".json");
    if (!scene && (!args.surface.empty() || !args.saveScene.empty())) {
        err << "minihost: --surface and --save-scene need a scene, not a module\n";
        return 1;
    }
    for (const std::string &file : args.files) scriptFileRequest(FileRequestAnswer::choose(file));

    PanelSubject subject;
    if (!(scene ? fromScene(args, subject, err) : fromModule(args, subject, err))) return 1;
    if (!args.saveScene.empty() &&
        !checkSavedScene(subject.session->scene(), "--save-scene", args.saveScene, args.overwrite, err))
        return 1;
    std::string interfaceClass = subject.handler->className;
    interfaceClass.replace(interfaceClass.size() - std::string("Handler").size(), std::string::npos,
                           "Interface");

    InterfaceRecord iface{};
    iface.inst = subject.inst;
    const int activated = subject.module->activate(interfaceClass, args.server, INTERFACE_VERSION, &iface);
    auto panel = static_cast<XPanelID>(iface.panel);
    if (activated != AFUNC_OK || !panel || !xpanelRecordOf(panel)) {
        err << "minihost: " << args.server << ": the interface made no \"LWXPanel\" panel\n";
        return 1;
    }
    const bool done = runPanelSteps(panel, args.steps, err);
    reportFileRequests(err);
    const bool filesWell = fileIOWentWell(err);
    if (done) out << xpanelText(panel);
    xpanelRecord()->destroy(panel);
    if (!done) return 2;
    if (!filesWell) return 1;
    if (!args.saveScene.empty()) {
        std::string error;
        if (!saveScene(subject.session->scene(), subject.session->servers(), args.saveScene, error)) {
            err << "minihost: " << error << '\n';
            return 1;
        }
        err << "minihost: wrote " << args.saveScene << '\n';
    }
    return 0;
}

void addPanelCommand(CLI::App &app, int &exitCode) {
    CLI::App *cmd =
        app.add_subcommand("panel", "Show a server's panel, after setting values and pressing buttons");
    auto args = std::make_shared<PanelArgs>();
    auto sets = std::make_shared<std::vector<std::string>>();
    auto presses = std::make_shared<std::vector<std::string>>();
    auto chooses = std::make_shared<std::vector<std::string>>();
    cmd->add_option("TARGET", args->target,
                    "Module file (.so): a fresh instance; scene (.json): its instance")
        ->required();
    cmd->add_option("SERVER", args->server, "Server name, e.g. QM_Quillrim_S:Shader")->required();
    cmd->add_option("--surface", args->surface, "Scenes: the shader's surface, NAME or OBJECT/NAME");
    CLI::Option *set =
        cmd->add_option("--set", *sets, "NAME=VALUE: set a value (repeatable)")->expected(1)->take_all();
    CLI::Option *press = cmd->add_option("--press", *presses, "Press a button, by label or id (repeatable)")
                             ->expected(1)
                             ->take_all();
    CLI::Option *choose =
        cmd->add_option("--choose", *chooses, "CONTROL=ENTRY: choose a pop-up entry (repeatable)")
            ->expected(1)
            ->take_all();
    cmd->add_option("--file", args->files, "Answer the next file request with this file (repeatable)")
        ->expected(1)
        ->take_all();
    cmd->add_option("--save-scene", args->saveScene, "Scenes: write the changed scene here");
    cmd->add_flag("--overwrite", args->overwrite, "Let --save-scene replace the scene read");
    const auto trust = addModuleTrustOptions(*cmd);
    cmd->callback([cmd, args, sets, presses, chooses, set, press, choose, trust, &exitCode] {
        applyModuleTrust(*trust);
        // The steps run in the order they stand on the command line.
        size_t nextSet = 0, nextPress = 0, nextChoose = 0;
        args->steps.clear();
        for (const CLI::Option *opt : cmd->parse_order()) {
            if (opt == set && nextSet < sets->size())
                args->steps.push_back({PanelStep::Kind::Set, (*sets)[nextSet++]});
            else if (opt == press && nextPress < presses->size())
                args->steps.push_back({PanelStep::Kind::Press, (*presses)[nextPress++]});
            else if (opt == choose && nextChoose < chooses->size())
                args->steps.push_back({PanelStep::Kind::Choose, (*chooses)[nextChoose++]});
        }
        exitCode = runPanel(*args, std::cout, std::cerr);
    });
}

}  // namespace minihost::cli
