#include "minihost/core/loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "minihost/core/service_registry.h"

namespace minihost {
namespace {

// A table longer than this is taken as one without its terminating entry.
constexpr int kMaxServers = 4096;

std::string hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// Owns the dlopen handle until open() hands it over.
struct HandleGuard {
    void *handle = nullptr;
    ~HandleGuard() {
        if (handle) dlclose(handle);
    }
};

}  // namespace

std::unique_ptr<LoadedModule> LoadedModule::open(const std::string &path, std::string &error) {
    error.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = path + ": no such file";
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = path + ": not a loadable module: not a regular file";
        return nullptr;
    }
    // Without a slash dlopen would search the library path instead of
    // opening the file the user named.
    const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;

    dlerror();
    HandleGuard guard;
    guard.handle = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!guard.handle) {
        const char *why = dlerror();
        error = path + ": not a loadable module: " + (why ? why : "unknown reason");
        return nullptr;
    }
    dlerror();
    const auto *descriptor = static_cast<const ModuleDescriptor *>(dlsym(guard.handle, "_mod_descrip"));
    if (!descriptor) {
        error = path + ": no _mod_descrip";
        return nullptr;
    }
    if (descriptor->syncWord != MODULE_SYNC_WORD) {
        error = path + ": wrong synchronisation word " + hex32(descriptor->syncWord) + " (expected " +
                hex32(MODULE_SYNC_WORD) + ")";
        return nullptr;
    }
    if (descriptor->version != MODULE_DESCRIPTOR_VERSION) {
        error = path + ": wrong descriptor version " + std::to_string(descriptor->version) + " (expected " +
                std::to_string(MODULE_DESCRIPTOR_VERSION) + ")";
        return nullptr;
    }
    if (!descriptor->startup) {
        error = path + ": no startup function";
        return nullptr;
    }
    if (!descriptor->servers) {
        error = path + ": no server table";
        return nullptr;
    }

    std::unique_ptr<LoadedModule> module(new LoadedModule);
    module->path_ = path;
    module->descriptor_ = *descriptor;
    for (int i = 0;; ++i) {
        if (i == kMaxServers) {
            error =
                path + ": server table has no end (more than " + std::to_string(kMaxServers) + " entries)";
            return nullptr;
        }
        const ServerRecord &record = descriptor->servers[i];
        if (!record.className && !record.name) break;
        const std::string position = "server " + std::to_string(i + 1);
        if (!record.className || !record.name) {
            error = path + ": " + position + " lacks a " + (record.className ? "name" : "class name");
            return nullptr;
        }
        if (!record.activate) {
            error = path + ": " + position + " (" + record.className + " \"" + record.name +
                    "\") has no activation function";
            return nullptr;
        }
        module->servers_.push_back({record.className, record.name});
        module->records_.push_back(&record);
    }

    if (descriptor->startup() == 0) {
        error = path + ": startup failed";
        return nullptr;
    }
    module->handle_ = guard.handle;
    guard.handle = nullptr;
    return module;
}

LoadedModule::~LoadedModule() {
    if (!handle_) return;
    if (descriptor_.shutdown) descriptor_.shutdown();
    dlclose(handle_);
}

int LoadedModule::activate(const std::string &className, const std::string &name, int version, void *local) {
    return activateWith(className, name, version, globalLookup(), local);
}

int LoadedModule::activateWith(const std::string &className, const std::string &name, int version,
                               GlobalFunc *global, void *local) {
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        if (servers_[i].className == className && servers_[i].name == name) {
            const ServerRecord *record = records_[i];
            return record->activate(version, global, local, const_cast<void *>(record->tagInfo));
        }
    }
    return -1;
}

}  // namespace minihost
