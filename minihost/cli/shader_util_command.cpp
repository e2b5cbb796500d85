#include "minihost/cli/shader_util_command.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <set>
#include <vector>

#include "minihost/cli/input_error_report.h"
#include "minihost/cli/module_trust_options.h"
#include "minihost/cli/outline_hints.h"
#include "minihost/cli/output_checks.h"
#include "minihost/cli/output_paths.h"
#include "minihost/cli/scene_session.h"
#include "minihost/cli/scene_targets.h"
#include "minihost/core/loader.h"
#include "minihost/files/checked_read.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/servers/scene_saver.h"
#include "minihost/servers/surface_commands.h"
#include "minihost/services/core_services.h"
#include "minihost/states/file_io.h"
#include "minihost/states/readable_state.h"
#include "minihost/states/tree.h"

namespace minihost::cli {

namespace {

// The utility's dialog keeps the preset path in a buffer of this size.
constexpr size_t kPresetPathSize = 260;

bool checkArgs(const ShaderUtilArgs &args, std::ostream &err) {
    if (!args.target.empty() && args.target != "all" && args.target != "selected") {
        err << "minihost: --target " << args.target << ": expected all or selected\n";
        return false;
    }
    if (args.action != "apply" && args.action != "remove") {
        err << "minihost: --action " << args.action << ": expected apply or remove\n";
        return false;
    }
    if (!args.preset.empty()) {
        if (args.preset.size() >= kPresetPathSize) {
            err << "minihost: --preset " << args.preset << ": the path is longer than the utility's "
                << kPresetPathSize - 1 << " characters\n";
            return false;
        }
        // The module reads the preset; a device, a FIFO or a folder is
        // refused here, before anything could wait on it.
        std::string why;
        if (!checkRegularFile(args.preset, kMaxStateFileBytes, why)) {
            err << "minihost: " << args.preset << ": cannot read the preset: " << why << '\n';
            return false;
        }
    }
    return checkOutputPath(args.output, err);
}

// The utility's generic server of the module; empty when it has none.
std::string genericServer(const LoadedModule &module) {
    for (const ServerEntry &e : module.servers())
        if (e.className == CLASS_LAYOUT_GENERIC) return e.name;
    return std::string();
}

void report(const SurfaceCommands &commands, bool verbose, std::ostream &err) {
    // The utility does not ask what a command did (a surface without the
    // shader still gets "Surf_RemShader"); the user is told.
    int notDone = 0;
    for (const SurfaceCommands::Entry &e : commands.log()) {
        if (!e.done) ++notDone;
        if (verbose || !e.done)
            err << "minihost: " << e.command << (e.done ? "" : ": not done: " + e.refusal) << '\n';
    }
    err << "minihost: " << commands.log().size() << " commands: " << commands.added() << " shaders added, "
        << commands.removed() << " removed, " << notDone << " not done\n";
}

// The names of the parameters a state holds: the string that opens each
// parameter block.
void collectParameterNames(const StateItem &item, std::set<std::string> &names) {
    constexpr uint32_t kParameter = 0x50445052;  // "PDPR"
    for (const StateItem &child : item.children) {
        if (child.kind != StateItem::Kind::Block) continue;
        if (child.id == kParameter && !child.children.empty() &&
            child.children[0].kind == StateItem::Kind::Str)
            names.insert(child.children[0].data);
        collectParameterNames(child, names);
    }
}

// Parameters of the preset that the shaders added do not have: a preset of
// the other edition shares some names, and would be applied in part.
std::vector<std::string> foreignParameters(const std::string &preset, const ServerSet &servers,
                                           const LoadedModule &module) {
    std::set<std::string> shaderServers, known, held;
    for (const ServerEntry &e : module.servers())
        if (e.className == CLASS_SHADER_HANDLER) shaderServers.insert(e.name);
    for (const LiveUse *live : servers.uses()) {
        if (!shaderServers.count(live->use->server)) continue;
        StateItem saved;
        parseStateText(servers.savedData(*live->use), saved);
        collectParameterNames(saved, known);
        break;
    }
    std::string bytes, why;
    if (known.empty() || !readRegularFile(preset, kMaxStateFileBytes, bytes, why)) return {};
    collectParameterNames(decodeBinaryState(bytes), held);
    std::vector<std::string> foreign;
    for (const std::string &name : held)
        if (!known.count(name)) foreign.push_back(name);
    return foreign;
}

// A preset the shaders could not open, in which they found nothing they
// read (one cut short), or that holds settings they do not have (the other
// edition's) would leave the shaders added with default settings, or some
// of them: the command fails and writes nothing.
bool presetWasRead(const ShaderUtilArgs &args, const ServerSet &servers, const LoadedModule &module,
                   std::ostream &err) {
    if (args.preset.empty()) return true;
    const std::string openError = lastFileIOError();
    if (!openError.empty()) {
        err << "minihost: " << openError << "; nothing written\n";
        return false;
    }
    for (const std::string &file : unreadFileIOLoads()) {
        err << "minihost: " << file << ": holds no settings " << args.module
            << " reads (a preset of another module or edition, or cut short); nothing written\n";
        return false;
    }
    try {
        const std::vector<std::string> foreign = foreignParameters(args.preset, servers, module);
        if (foreign.empty()) return true;
        std::string list;
        for (const std::string &name : foreign) list += (list.empty() ? "" : ", ") + name;
        err << "minihost: " << args.preset << ": holds settings " << args.module
            << "'s shader does not have (" << list
            << "): a preset of another module or edition; nothing written\n";
    } catch (const InputError &e) {
        err << "minihost: " << args.preset << ": " << e.withinFile() << "; nothing written\n";
    }
    return false;
}

}  // namespace

int runShaderUtil(const ShaderUtilArgs &args, std::ostream &err) {
    if (!checkArgs(args, err)) return 1;
    installCoreServices();
    clearRecordedPanels();
    SceneSession session;
    if (!session.load(args.scene, err)) return 1;
    if (!checkSavedScene(session.scene(), "-o", args.output, args.overwrite, err)) return 1;
    std::string error;
    if (!args.select.empty() && !selectItems(session.scene(), args.select, error)) {
        err << "minihost: " << args.scene << ": " << error << '\n';
        return 1;
    }
    if (!session.start(err)) return 1;

    LoadedModule *module = nullptr;
    try {
        module = &session.servers().moduleFor(args.module);
    } catch (const InputError &e) {
        printInputError(e, err);
        return 1;
    }
    const std::string server = genericServer(*module);
    if (server.empty()) {
        err << "minihost: " << args.module << ": no " << CLASS_LAYOUT_GENERIC << " server\n";
        return 1;
    }

    // The dialog is answered as the user would fill it in.
    const bool selected = args.target == "selected" || (args.target.empty() && !args.select.empty());
    scriptNextOpen(args.cancel ? PanelAnswer::cancel()
                               : PanelAnswer::confirm()
                                     .set("Target object : ", selected ? 1 : 0)
                                     .set("Shader action : ", args.action == "remove" ? 1 : 0)
                                     .set("Preset : ", args.preset));
    SurfaceCommands commands(session.scene(), session.servers());
    clearFileIOError();
    clearUnreadFileIOLoads();
    const int result = module->activate(CLASS_LAYOUT_GENERIC, server, GENERIC_VERSION, commands.record());
    if (result != AFUNC_OK) {
        err << "minihost: " << server << ": the activation failed (result " << result << ")\n";
        return 1;
    }
    if (scriptedAnswersLeft() != 0) {
        clearRecordedPanels();
        err << "minihost: " << server << " showed no dialog; nothing was done\n";
        return 1;
    }
    report(commands, args.verbose, err);
    if (!presetWasRead(args, session.servers(), *module, err)) return 1;
    for (const std::string &hint : outlineHints(session.scene()))
        err << "minihost: " << args.output << ": " << hint << '\n';
    if (!saveScene(session.scene(), session.servers(), args.output, error)) {
        err << "minihost: " << error << '\n';
        return 1;
    }
    err << "minihost: wrote " << args.output << '\n';
    return 0;
}

void addShaderUtilCommand(CLI::App &app, int &exitCode) {
    CLI::App *cmd = app.add_subcommand(
        "shader-util", "Run a module's shader utility on a scene and write the changed scene");
    auto args = std::make_shared<ShaderUtilArgs>();
    cmd->add_option("MODULE", args->module, "Module file (.so) whose shader utility runs")->required();
    cmd->add_option("SCENE", args->scene, "Scene description (JSON)")->required();
    cmd->add_option("-o,--output", args->output, "The changed scene (JSON)")->required();
    cmd->add_option("--target", args->target, "all or selected (default: selected with --select, else all)");
    cmd->add_option("--select", args->select, "Items to select instead of the scene file's selection");
    cmd->add_option("--action", args->action, "apply (default) or remove");
    cmd->add_option("--preset", args->preset, "Preset file loaded into every shader added");
    cmd->add_flag("--cancel", args->cancel, "Answer the utility's dialog with Cancel");
    cmd->add_flag("--overwrite", args->overwrite, "Let -o replace the scene read");
    cmd->add_flag("-v,--verbose", args->verbose, "List every command the utility issued");
    const auto trust = addModuleTrustOptions(*cmd);
    cmd->callback([args, trust, &exitCode] {
        applyModuleTrust(*trust);
        exitCode = runShaderUtil(*args, std::cerr);
    });
}

}  // namespace minihost::cli
