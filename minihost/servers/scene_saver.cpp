#include "minihost/servers/scene_saver.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/module_descriptor.h"
#include "minihost/files/atomic_file.h"
#include "minihost/servers/server_instances.h"

namespace minihost {

namespace fs = std::filesystem;

namespace {

// A server entry with the instance's saved data instead of its settings.
nlohmann::ordered_json savedEntry(const nlohmann::ordered_json &given, const ServerUse &use,
                                  const ServerSet &servers) {
    nlohmann::ordered_json entry = given.is_object() ? given : nlohmann::ordered_json::object();
    entry["server"] = use.server;
    entry.erase("settings");
    nlohmann::ordered_json lines = nlohmann::ordered_json::array();
    std::istringstream text(servers.savedData(use));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    entry["data"] = lines;
    return entry;
}

}  // namespace

nlohmann::ordered_json savedSceneDocument(const Scene &scene, const ServerSet &servers,
                                          const std::string &newPath) {
    nlohmann::ordered_json doc = scene.document.get();
    std::error_code ec;
    const fs::path oldDir = fs::absolute(scene.dir.empty() ? fs::path(".") : fs::path(scene.dir), ec);
    fs::path newDir = fs::absolute(fs::path(newPath), ec).parent_path();
    for (const std::string &ptr : scene.pathPointers) {
        const nlohmann::ordered_json::json_pointer jp(ptr);
        if (!doc.contains(jp) || !doc[jp].is_string()) continue;
        const fs::path given(doc[jp].get<std::string>());
        if (given.is_absolute()) continue;
        const fs::path resolved = (oldDir / given).lexically_normal();
        const fs::path rel = resolved.lexically_relative(newDir);
        doc[jp] = rel.empty() ? resolved.string() : rel.generic_string();
    }
    for (const LiveUse *live : servers.uses()) {
        const ServerUse &use = *live->use;
        if (use.className == CLASS_SHADER_HANDLER) continue;  // with their surfaces, below
        const nlohmann::ordered_json::json_pointer jp(use.pointer);
        if (!doc.contains(jp)) continue;
        doc[jp] = savedEntry(doc[jp], use, servers);
    }
    // Surfaces' shader lists as they are now: shaders may have been added or
    // removed since the scene was read.
    auto &objects = doc["objects"];
    for (size_t i = 0; i < scene.objects.size() && objects.is_array() && i < objects.size(); ++i) {
        auto &object = objects[i];
        for (const auto &surf : scene.objects[i]->surfaces) {
            const bool listed = object.contains("surfaces") && object["surfaces"].contains(surf->name) &&
                                object["surfaces"][surf->name].contains("shaders");
            if (surf->shaders.empty() && !listed) continue;
            nlohmann::ordered_json shaders = nlohmann::ordered_json::array();
            for (const ServerUse &use : surf->shaders) {
                const nlohmann::ordered_json::json_pointer jp(use.pointer);
                const bool original = !use.pointer.empty() && scene.document.get().contains(jp);
                shaders.push_back(
                    savedEntry(original ? scene.document.get()[jp] : nlohmann::ordered_json(), use, servers));
            }
            object["surfaces"][surf->name]["shaders"] = shaders;
        }
    }
    return doc;
}

bool saveScene(const Scene &scene, const ServerSet &servers, const std::string &path, std::string &error) {
    try {
        const std::string text = savedSceneDocument(scene, servers, path).dump(2) + "\n";
        return writeFileAtomically(path, text, error);
    } catch (const std::exception &e) {
        error = path + ": cannot write the scene: " + e.what();
        return false;
    }
}

}  // namespace minihost
