#include "minihost/scene/scene_key_budget.h"

#include <string>
#include <vector>

namespace minihost {

std::size_t countSceneKeys(const nlohmann::json &root) {
    std::size_t keys = 0;
    // A plain walk with its own stack: no recursion, whatever the nesting.
    std::vector<const nlohmann::json *> pending{&root};
    while (!pending.empty()) {
        const nlohmann::json &value = *pending.back();
        pending.pop_back();
        if (value.is_object()) {
            for (auto it = value.begin(); it != value.end(); ++it) {
                if (it.key() == "keys" && it->is_array()) keys += it->size();
                if (it->is_structured()) pending.push_back(&*it);
            }
        } else if (value.is_array()) {
            for (const auto &element : value)
                if (element.is_structured()) pending.push_back(&element);
        }
    }
    return keys;
}

void checkSceneKeys(const JsonDocument &doc) {
    const std::size_t keys = countSceneKeys(doc.root());
    if (keys <= kMaxSceneKeys) return;
    throw InputError({doc.file()}, "the scene gives " + std::to_string(keys) +
                                       " keys in all (counting every \"keys\" array), more than the "
                                       "budget of " +
                                       std::to_string(kMaxSceneKeys) + " keys a scene may give");
}

}  // namespace minihost
