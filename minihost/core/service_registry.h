// The services minihost hands to modules, by name.
//
// One registry serves the whole process, as one host does: the global lookup
// given to every module reads it. Tests withhold services to reach the
// modules' fallbacks and read which names were asked for.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/module_descriptor.h"

namespace minihost {

class ServiceRegistry {
public:
    // Makes `record` the service of that name (replacing an earlier one).
    void provide(const std::string &name, void *record);
    void remove(const std::string &name);
    // A withheld service looks absent to modules until it is restored.
    void withhold(const std::string &name);
    void restore(const std::string &name);
    void restoreAll();
    // The record of that name, or null when absent or withheld. Every call is
    // recorded (see lookups).
    void *lookup(const char *name);
    // The names modules asked for, in order, since the last clearLookups.
    std::vector<std::string> lookups() const;
    void clearLookups();

private:
    mutable std::mutex mutex_;
    std::map<std::string, void *> services_;
    std::set<std::string> withheld_;
    std::vector<std::string> lookups_;
};

// The process's registry.
ServiceRegistry &registry();

// The global lookup function handed to modules at activation.
GlobalFunc *globalLookup();

}  // namespace minihost
