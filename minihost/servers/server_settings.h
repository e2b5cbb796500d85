// Settings of a server instance by key, checked against what the instance
// itself saves: its saved data (text representation) is read as a tree, the
// named values of its parameter block ("PDLB" with one "PDPR" per value) are
// changed with type checks, and the result is loaded back through the
// instance's own load.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/handler.h"
#include "minihost/scene/scene.h"

namespace minihost {

// The instance's saved data in the text representation.
std::string savedText(const InstanceFuncs &funcs, Instance inst);
// Loads text-representation data through the instance's load; false with
// `error` set when the load reports an error.
bool loadText(const InstanceFuncs &funcs, Instance inst, const std::string &text, std::string &error);

// One settable value of a parameter block.
struct SettingKey {
    std::string name;
    std::string type;  // "PINT", "PDBL", ...
    int count = 1;
};
// The keys the data holds (empty when it has no parameter block).
std::vector<SettingKey> settingKeys(const std::string &text);

// Applies `settings` ({"key": value, ...}) to saved data. Throws InputError
// naming `where` (per key where known), the server and the known keys.
std::string applySettingsToText(const std::string &text, const nlohmann::json &settings,
                                const ServerUse &use);

}  // namespace minihost
