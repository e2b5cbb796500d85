#include "minihost/cli/panel_command.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "host/handler.h"
#include "minihost/core/loader.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/servers/active_handler.h"
#include "minihost/services/core_services.h"

namespace minihost::cli {

namespace {

bool endsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int runPanel(const std::string &modulePath, const std::string &server, const std::vector<std::string> &sets,
             std::ostream &out, std::ostream &err) {
    installCoreServices();
    installXPanelService();
    std::string error;
    std::unique_ptr<LoadedModule> module = LoadedModule::open(modulePath, error);
    if (!module) {
        err << "minihost: " << error << '\n';
        return 1;
    }
    std::string handlerClass, interfaceClass;
    for (const ServerEntry &e : module->servers()) {
        if (e.name != server) continue;
        if (endsWith(e.className, "Handler")) handlerClass = e.className;
        if (endsWith(e.className, "Interface")) interfaceClass = e.className;
    }
    if (interfaceClass.empty() || handlerClass.empty()) {
        err << "minihost: " << modulePath << ": no handler and interface server named \"" << server << "\"\n";
        return 1;
    }

    ActiveHandler handler;
    if (handler.activate(*module, handlerClass, server) != AFUNC_OK || !handler.inst.create) {
        err << "minihost: " << server << ": the " << handlerClass << " server did not activate\n";
        return 1;
    }
    const char *createError = nullptr;
    Instance inst = handler.inst.create(handler.inst.priv, nullptr, &createError);
    if (!inst) {
        err << "minihost: " << server << ": no instance could be created\n";
        return 1;
    }

    InterfaceRecord iface{};
    iface.inst = inst;
    int status = 0;
    const int activated = module->activate(interfaceClass, server, INTERFACE_VERSION, &iface);
    auto panel = static_cast<XPanelID>(iface.panel);
    if (activated != AFUNC_OK || !panel || !xpanelRecordOf(panel)) {
        err << "minihost: " << server << ": the interface made no \"LWXPanel\" panel\n";
        status = 1;
    } else {
        for (const std::string &set : sets) {
            const auto eq = set.find('=');
            std::string why;
            if (eq == std::string::npos) {
                why = "expected NAME=VALUE";
            } else if (xpanelSetFromText(panel, set.substr(0, eq), set.substr(eq + 1), why)) {
                continue;
            }
            err << "minihost: --set " << set << ": " << why << '\n';
            status = 2;
            break;
        }
        if (status == 0) out << xpanelText(panel);
        xpanelRecord()->destroy(panel);
    }
    if (handler.inst.destroy) handler.inst.destroy(inst);
    return status;
}

void addPanelCommand(CLI::App &app, int &exitCode) {
    CLI::App *cmd = app.add_subcommand("panel", "Show a server's panel for a fresh instance");
    auto path = std::make_shared<std::string>();
    auto server = std::make_shared<std::string>();
    auto sets = std::make_shared<std::vector<std::string>>();
    cmd->add_option("MODULE", *path, "Module file (.so)")->required();
    cmd->add_option("SERVER", *server, "Server name, e.g. QM_Quillrim_S:TraceStep1")->required();
    cmd->add_option("--set", *sets, "NAME=VALUE given to the panel before it is shown (repeatable)");
    cmd->callback([path, server, sets, &exitCode] {
        exitCode = runPanel(*path, *server, *sets, std::cout, std::cerr);
    });
}

}  // namespace minihost::cli
