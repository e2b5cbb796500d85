#include "minihost/servers/scene_saver.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "minihost/servers/server_instances.h"

namespace minihost {

namespace fs = std::filesystem;

nlohmann::ordered_json savedSceneDocument(const Scene &scene, const ServerSet &servers,
                                          const std::string &newPath) {
    nlohmann::ordered_json doc = scene.document;
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
    for (ServerUse *use : servers.uses()) {
        const nlohmann::ordered_json::json_pointer jp(use->pointer);
        if (!doc.contains(jp)) continue;
        nlohmann::ordered_json entry = doc[jp].is_object() ? doc[jp] : nlohmann::ordered_json::object();
        entry["server"] = use->server;
        entry.erase("settings");
        nlohmann::ordered_json lines = nlohmann::ordered_json::array();
        std::istringstream text(servers.savedData(*use));
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        entry["data"] = lines;
        doc[jp] = entry;
    }
    return doc;
}

bool saveScene(const Scene &scene, const ServerSet &servers, const std::string &path, std::string &error) {
    try {
        const std::string text = savedSceneDocument(scene, servers, path).dump(2) + "\n";
        const std::string temp = path + ".tmp" + std::to_string(getpid());
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out << text;
            out.close();
            if (!out) {
                std::remove(temp.c_str());
                error = path + ": cannot write the scene";
                return false;
            }
        }
        std::error_code ec;
        fs::rename(temp, path, ec);
        if (ec) {
            std::remove(temp.c_str());
            error = path + ": cannot write the scene: " + ec.message();
            return false;
        }
        return true;
    } catch (const std::exception &e) {
        error = path + ": cannot write the scene: " + e.what();
        return false;
    }
}

}  // namespace minihost
