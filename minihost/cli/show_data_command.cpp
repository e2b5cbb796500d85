#include "minihost/cli/show_data_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>

#include <nlohmann/json.hpp>

#include "minihost/files/checked_read.h"
#include "minihost/files/input_error.h"
#include "minihost/states/readable_state.h"

namespace minihost::cli {

namespace {

// Saved data or a scene: a regular file within the larger of their limits,
// so that a device or a FIFO is refused at once instead of read for ever.
bool readFile(const std::string &path, std::string &bytes, std::ostream &err) {
    std::string why;
    if (readRegularFile(path, std::max(kMaxStateFileBytes, kMaxSceneFileBytes), bytes, why)) return true;
    err << "minihost: " << path << ": cannot read: " << why << '\n';
    return false;
}

// A server entry of a scene: its data lines, or nothing when it has none.
bool printEntry(const nlohmann::json &entry, const std::string &where, std::ostream &out, std::ostream &err) {
    if (!entry.is_object() || !entry.contains("data")) return true;
    std::string text;
    const auto &data = entry["data"];
    if (data.is_string()) {
        text = data.get<std::string>();
    } else if (data.is_array()) {
        for (const auto &line : data)
            if (line.is_string()) text += line.get<std::string>() + "\n";
    }
    out << "# " << where << ": " << entry.value("server", std::string("(no server)")) << '\n';
    try {
        out << readableStateText(text);
    } catch (const InputError &e) {
        err << "minihost: " << where << ": " << e.withinFile() << '\n';
        return false;
    }
    return true;
}

// Every shader and filter entry of a scene document, in scene order.
bool printScene(const nlohmann::json &doc, const std::string &path, std::ostream &out, std::ostream &err) {
    bool ok = true;
    int printed = 0;
    auto each = [&](const nlohmann::json &list, const std::string &where) {
        if (!list.is_array()) return;
        for (size_t i = 0; i < list.size(); ++i) {
            if (!list[i].is_object() || !list[i].contains("data")) continue;
            ok = printEntry(list[i], where + "/" + std::to_string(i), out, err) && ok;
            ++printed;
        }
    };
    if (doc.contains("objects") && doc["objects"].is_array())
        for (const auto &obj : doc["objects"]) {
            if (!obj.is_object() || !obj.contains("surfaces") || !obj["surfaces"].is_object()) continue;
            for (auto it = obj["surfaces"].begin(); it != obj["surfaces"].end(); ++it)
                if (it->is_object() && it->contains("shaders"))
                    each((*it)["shaders"],
                         path + ": " + obj.value("name", std::string("?")) + "/" + it.key());
        }
    for (const char *key : {"pixel_filters", "image_filters"})
        if (doc.contains(key)) each(doc[key], path + ": " + key);
    if (printed == 0) out << "# " << path << ": no server entry holds saved data\n";
    return ok;
}

}  // namespace

int runShowData(const std::vector<std::string> &files, std::ostream &out, std::ostream &err) {
    int status = 0;
    for (const std::string &path : files) {
        std::string bytes;
        if (!readFile(path, bytes, err)) {
            status = 1;
            continue;
        }
        if (files.size() > 1) out << "# " << path << '\n';
        const auto doc = nlohmann::json::parse(bytes, nullptr, false);
        if (!doc.is_discarded() && doc.is_object()) {
            if (!printScene(doc, path, out, err)) status = 1;
            continue;
        }
        try {
            out << readableStateText(bytes);
        } catch (const InputError &e) {
            err << "minihost: " << path << ": not saved plug-in data: " << e.withinFile() << '\n';
            status = 1;
        }
    }
    return status;
}

void addShowDataCommand(CLI::App &app, int &exitCode) {
    CLI::App *cmd =
        app.add_subcommand("show-data", "Print a preset file or other saved plug-in data as text");
    auto files = std::make_shared<std::vector<std::string>>();
    cmd->add_option("FILE", *files, "Preset, saved data (binary or text) or scene file")->required();
    cmd->callback([files, &exitCode] { exitCode = runShowData(*files, std::cout, std::cerr); });
}

}  // namespace minihost::cli
