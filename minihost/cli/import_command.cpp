#include "minihost/cli/import_command.h"

#include <CLI/CLI.hpp>

#include <unistd.h>
#include <filesystem>
#include <iostream>

#include "minihost/cli/asset_scene.h"
#include "minihost/cli/input_error_report.h"
#include "minihost/cli/output_checks.h"
#include "minihost/cli/shader_util_command.h"
#include "minihost/files/atomic_file.h"
#include "minihost/files/module_search.h"

namespace minihost::cli {

namespace {

namespace fs = std::filesystem;

bool checkArgs(const ImportArgs &args, std::ostream &err) {
    if (editionModule(args.edition).empty()) {
        err << "minihost: --edition " << args.edition << ": expected stroke or line\n";
        return false;
    }
    if (!checkOutputPath(args.output, err)) return false;
    std::error_code ec;
    if (fs::equivalent(args.output, args.asset, ec)) {
        err << "minihost: -o " << args.output << ": this is the model file being imported\n";
        return false;
    }
    if (fs::exists(fs::symlink_status(args.output, ec)) && !args.overwrite) {
        err << "minihost: -o " << args.output << ": the file exists (--overwrite replaces it)\n";
        return false;
    }
    return true;
}

// The model as the scene names it: relative to the scene's folder.
std::string meshPathFrom(const std::string &output, const std::string &asset) {
    std::error_code ec;
    const fs::path dir = fs::absolute(fs::path(output), ec).parent_path();
    const fs::path rel = fs::absolute(asset, ec).lexically_normal().lexically_relative(dir);
    return rel.empty() ? fs::absolute(asset, ec).string() : rel.string();
}

// With a preset, the edition's shader utility puts the shaders on, so that
// they load the preset as they would in any host.
int addShadersWithPreset(const ImportArgs &args, const std::string &text, std::ostream &err) {
    std::string temporary;
    const int fd = createTemporaryBeside(args.output, temporary);
    if (fd < 0) {
        err << "minihost: " << args.output << ": cannot write beside it\n";
        return 1;
    }
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    int status = 1;
    if (written) {
        const std::string module = findModule(editionModule(args.edition),
                                              moduleFolders(fs::path(args.output).parent_path().string()));
        if (module.empty()) {
            err << "minihost: module " << editionModule(args.edition)
                << " not found (--module-path adds a folder)\n";
        } else {
            ShaderUtilArgs util;
            util.module = module;
            util.scene = temporary;
            util.output = args.output;
            util.target = "all";
            util.preset = args.preset;
            status = runShaderUtil(util, err);
        }
    } else {
        err << "minihost: " << args.output << ": cannot write beside it\n";
    }
    std::error_code ec;
    fs::remove(temporary, ec);
    return status;
}

}  // namespace

int runImport(const ImportArgs &args, std::ostream &err) {
    if (!checkArgs(args, err)) return 1;
    setModuleSearchPath(args.modulePaths);
    try {
        const Asset asset = readModel(args.asset);
        for (const std::string &notice : asset.notices)
            err << "minihost: " << args.asset << ": " << notice << '\n';
        AssetSceneOptions options;
        options.edition = args.edition;
        options.camera = args.camera;
        options.shaders = args.preset.empty();
        const std::string text =
            sceneOfAsset(asset, meshPathFrom(args.output, args.asset), options).dump(2) + "\n";
        if (!args.preset.empty()) return addShadersWithPreset(args, text, err);
        std::string error;
        if (!writeFileAtomically(args.output, text, error)) {
            err << "minihost: " << error << '\n';
            return 1;
        }
    } catch (const InputError &e) {
        printInputError(e, err);
        return 1;
    }
    err << "minihost: wrote " << args.output << '\n';
    return 0;
}

void addImportCommand(CLI::App &app, int &exitCode) {
    CLI::App *cmd = app.add_subcommand("import", "Write a scene that renders a model file with outlines");
    auto args = std::make_shared<ImportArgs>();
    cmd->add_option("ASSET", args->asset, "Model file: .gltf .glb .fbx .dae .ply .stl .3ds")->required();
    cmd->add_option("-o,--output", args->output, "The scene to write (JSON)")->required();
    cmd->add_option("--edition", args->edition,
                    "stroke (default) or line: the module whose outlines are drawn");
    cmd->add_option("--preset", args->preset, "Preset file loaded into every edge shader");
    cmd->add_option("--camera", args->camera, "The file's camera to render through (default: its first)");
    cmd->add_flag("--overwrite", args->overwrite, "Let -o replace an existing file");
    cmd->add_option("--module-path", args->modulePaths,
                    "A folder to look in for the edition's module (repeatable)")
        ->allow_extra_args(false);
    cmd->callback([args, &exitCode] { exitCode = runImport(*args, std::cerr); });
}

}  // namespace minihost::cli
