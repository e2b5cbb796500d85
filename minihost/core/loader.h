// Loads a module the way a host does: dlopen, find `_mod_descrip`, check the
// synchronisation word and version, call startup, list and activate servers;
// at the end, shutdown and dlclose.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/module_descriptor.h"

namespace minihost {

struct ServerEntry {
    std::string className, name;
};

class LoadedModule {
public:
    // Null on failure, with `error` naming the file and the fault
    // ("x.so: not a loadable module: ...", "x.so: no _mod_descrip",
    // "x.so: wrong synchronisation word 0x...", ...). Loaded with RTLD_NOW |
    // RTLD_LOCAL so two modules in one process keep separate state.
    static std::unique_ptr<LoadedModule> open(const std::string &path, std::string &error);
    ~LoadedModule();  // shutdown, then dlclose
    LoadedModule(const LoadedModule &) = delete;
    LoadedModule &operator=(const LoadedModule &) = delete;

    const std::string &path() const { return path_; }
    // A copy of the module's descriptor as read at open.
    const ModuleDescriptor &descriptor() const { return descriptor_; }
    const std::vector<ServerEntry> &servers() const { return servers_; }  // table order

    // The server's activation with the process's global lookup; -1 if no such
    // server.
    int activate(const std::string &className, const std::string &name, int version, void *local);
    // Same, with a caller-given global lookup (tests use their own).
    int activateWith(const std::string &className, const std::string &name, int version, GlobalFunc *global,
                     void *local);

private:
    LoadedModule() = default;

    std::string path_;
    void *handle_ = nullptr;
    ModuleDescriptor descriptor_{};
    std::vector<ServerEntry> servers_;
    std::vector<const ServerRecord *> records_;  // parallel to servers_
};

}  // namespace minihost
