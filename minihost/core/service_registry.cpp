#include "minihost/core/service_registry.h"

#include "minihost/core/service_guard.h"

namespace minihost {

void ServiceRegistry::provide(const std::string &name, void *record) {
    std::lock_guard<std::mutex> lock(mutex_);
    services_[name] = record;
}

void ServiceRegistry::remove(const std::string &name) {
    std::lock_guard<std::mutex> lock(mutex_);
    services_.erase(name);
}

void ServiceRegistry::withhold(const std::string &name) {
    std::lock_guard<std::mutex> lock(mutex_);
    withheld_.insert(name);
}

void ServiceRegistry::restore(const std::string &name) {
    std::lock_guard<std::mutex> lock(mutex_);
    withheld_.erase(name);
}

void ServiceRegistry::restoreAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    withheld_.clear();
}

void *ServiceRegistry::lookup(const char *name) {
    // A null name is recorded as "" so a test still sees that it was asked.
    const std::string key = name ? name : "";
    std::lock_guard<std::mutex> lock(mutex_);
    lookups_.push_back(key);
    if (!name || withheld_.count(key)) return nullptr;
    auto it = services_.find(key);
    return it == services_.end() ? nullptr : it->second;
}

std::vector<std::string> ServiceRegistry::lookups() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lookups_;
}

void ServiceRegistry::clearLookups() {
    std::lock_guard<std::mutex> lock(mutex_);
    lookups_.clear();
}

ServiceRegistry &registry() {
    static ServiceRegistry instance;
    return instance;
}

namespace {

void *lookupFromModule(const char *serviceName, int /*useMode*/) { return registry().lookup(serviceName); }

}  // namespace

GlobalFunc *globalLookup() { return guardedService<"GlobalFunc", lookupFromModule>; }

}  // namespace minihost
