// minihost: loads Quill-Rim modules as a host would. Each sub-command lives
// in its own cli/<name>_command.cpp and is registered here.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "minihost/cli/import_command.h"
#include "minihost/cli/info_command.h"
#include "minihost/cli/panel_command.h"
#include "minihost/cli/preview_command.h"
#include "minihost/cli/render_command.h"
#include "minihost/cli/serve_command.h"
#include "minihost/cli/shader_util_command.h"
#include "minihost/cli/show_data_command.h"

int main(int argc, char **argv) {
    CLI::App app{"Loads plug-in modules the way a host does", "minihost"};
    app.require_subcommand(1);
    int exitCode = 0;

    minihost::cli::addImportCommand(app, exitCode);
    minihost::cli::addInfoCommand(app, exitCode);
    minihost::cli::addPanelCommand(app, exitCode);
    minihost::cli::addPreviewCommand(app, exitCode);
    minihost::cli::addRenderCommand(app, exitCode);
    minihost::cli::addServeCommand(app, exitCode);
    minihost::cli::addShaderUtilCommand(app, exitCode);
    minihost::cli::addShowDataCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        return app.exit(e);
    } catch (const std::exception &e) {
        // What no command reported itself (memory running out, say) still
        // ends with a message and a failure status rather than an abort.
        std::cerr << "minihost: " << e.what() << '\n';
        return 1;
    }
    return exitCode;
}
