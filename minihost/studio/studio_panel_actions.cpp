// What a user does on a panel or a dialog, carried out through the module's
// own callbacks: set a value, press a button, run a pop-up command (answering
// the file request it makes), confirm a dialog.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "minihost/panels/file_request_host.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/states/file_io.h"
#include "minihost/studio/studio.h"

namespace minihost::studio {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The longest path the modules' file buffers hold (260 bytes with the NUL).
constexpr size_t kModulePathLimit = 259;

const XPanelControlInfo &controlOf(const XPanelRecord &rec, uint32_t cid) {
    for (const auto &c : rec.controls)
        if (c.cid == cid) return c;
    throw StudioError(404, "the panel has no control " + std::to_string(cid));
}

bool listed(const std::vector<uint32_t> &ids, uint32_t id) {
    for (uint32_t i : ids)
        if (i == id) return true;
    return false;
}

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// A value from the page as the text a user types into the control: numbers
// are the stored values (fractions, radians), three numbers a colour.
std::string valueText(const json &value) {
    if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
    if (value.is_number()) return number(value.get<double>());
    if (value.is_string()) return value.get<std::string>();
    if (value.is_array() && value.size() == 3) {
        std::string out;
        for (const json &v : value) {
            if (!v.is_number()) break;
            out += (out.empty() ? "" : " ") + number(v.get<double>());
        }
        if (std::count(out.begin(), out.end(), ' ') == 2) return out;
    }
    throw StudioError(400, "a value must be a number, a text, true or false, or three numbers");
}

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// What a file request asks for, read from the pattern the module passed:
// "<*.qvx" opens a .qvx file, ">*.qvy" saves one, "<" opens any file.
struct FileAsked {
    bool save = false;
    std::string extension;
};

FileAsked askedBy(const RecordedFileRequest &r) {
    FileAsked a;
    a.save = !r.pattern.empty() && r.pattern[0] == '>';
    const size_t dot = r.pattern.find("*.");
    if (dot != std::string::npos) a.extension = r.pattern.substr(dot + 2);
    return a;
}

// The name as the module completes it: a trailing "." goes, the extension
// is added when missing.
std::string completed(std::string name, const std::string &extension) {
    if (!name.empty() && name.back() == '.') name.pop_back();
    const std::string suffix = "." + extension;
    if (!extension.empty() &&
        (name.size() < suffix.size() || lower(name.substr(name.size() - suffix.size())) != lower(suffix)))
        name += suffix;
    return name;
}

void checkPathLength(const fs::path &full) {
    if (full.string().size() > kModulePathLimit)
        throw StudioError(400, "\"" + full.string() + "\" is longer than the module's " +
                                   std::to_string(kModulePathLimit) + " characters");
}

}  // namespace

json Studio::setValue(int id, uint32_t cid, const json &value) {
    const std::string text = valueText(value);
    auto changing = lock_.change();
    const Use &u = useOf(id);
    XPanelID p = panelOf(u);
    const auto rec = xpanelRecordOf(p);
    const XPanelControlInfo &c = controlOf(*rec, cid);
    std::string dataName;
    for (const auto &d : rec->data)
        if (d.vid == cid) dataName = d.name;
    if (dataName.empty()) throw StudioError(400, "\"" + c.label + "\" holds no value");
    if (!xpanelEnabled(p, cid)) throw StudioError(409, "\"" + c.label + "\" is disabled");
    std::string error;
    if (!xpanelSetFromText(p, dataName, text, error)) throw StudioError(400, error);
    renderer_.invalidate();
    return panelAfterChange(u);
}

json Studio::press(int id, uint32_t cid) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    XPanelID p = panelOf(u);
    const auto rec = xpanelRecordOf(p);
    const XPanelControlInfo &c = controlOf(*rec, cid);
    if (!listed(rec->buttons, cid)) throw StudioError(400, "\"" + c.label + "\" is not a button");
    if (!xpanelEnabled(p, cid)) throw StudioError(409, "\"" + c.label + "\" is disabled");
    xpanelPress(p, cid);
    renderer_.invalidate();
    return panelAfterChange(u);
}

json Studio::popup(int id, uint32_t cid, int entry, const std::string &path, bool overwrite) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    XPanelID p = panelOf(u);
    const auto rec = xpanelRecordOf(p);
    const XPanelControlInfo &c = controlOf(*rec, cid);
    if (!listed(rec->popCmds, cid)) throw StudioError(400, "\"" + c.label + "\" is not a pop-up command");
    size_t entries = 0;
    for (const auto &[k, list] : rec->choices)
        if (k == cid) entries = list.size();
    if (entry < 0 || static_cast<size_t>(entry) >= entries)
        throw StudioError(400, "\"" + c.label + "\" has no entry " + std::to_string(entry));
    if (!xpanelEnabled(p, cid)) throw StudioError(409, "\"" + c.label + "\" is disabled");

    // The command runs as the module wrote it. Should it ask for a file, the
    // request is answered with Cancel, which does nothing: the page then asks
    // the user, and the command runs again with the file as the answer.
    clearFileRequests();
    xpanelPopCmd(p, cid, entry);
    const auto requests = recordedFileRequests();
    if (requests.empty()) {
        renderer_.invalidate();
        return panelAfterChange(u);
    }
    const RecordedFileRequest &asked = requests.front();
    const FileAsked what = askedBy(asked);
    if (path.empty())
        return {{"fileRequest",
                 {{"title", asked.title},
                  {"save", what.save},
                  {"extension", what.extension},
                  {"files", files_.list(what.extension, 200)}}}};

    fs::path full;
    std::string error;
    if (!files_.resolve(completed(path, what.extension), what.extension, full, error))
        throw StudioError(403, error);
    checkPathLength(full);
    std::error_code ec;
    const bool exists = fs::exists(full, ec);
    if (what.save && exists && !overwrite)
        throw StudioError(409, files_.shown(full) + " exists; overwrite it?",
                          {{"exists", true}, {"path", files_.shown(full)}});
    if ((exists && !fs::is_regular_file(full, ec)) || (!what.save && !exists))
        throw StudioError(404, "no file " + files_.shown(full));

    clearFileRequests();
    scriptFileRequest(FileRequestAnswer::choose(full.string()));
    // The module saves through the file services, which write a temporary
    // beside the file and put it in place only once it is whole: a save
    // that fails leaves the old file as it was, and is reported.
    clearFileIOError();
    xpanelPopCmd(p, cid, entry);
    const bool answered = scriptedFileRequestsLeft() == 0;
    clearFileRequests();
    if (!answered) throw StudioError(409, "\"" + c.label + "\" did not ask for a file this time");
    if (const std::string failed = lastFileIOError(); !failed.empty()) {
        renderer_.invalidate();
        throw StudioError(500, failed);
    }
    renderer_.invalidate();
    json out = panelAfterChange(u);
    out["file"] = files_.shown(full);
    return out;
}

void Studio::queueConfirm(const RecordedPanel &dialog, const json &values) {
    if (!values.is_array() || values.size() != dialog.controls.size())
        throw StudioError(400, "a dialog is confirmed with one value per control (" +
                                   std::to_string(dialog.controls.size()) + ")");
    PanelAnswer answer = PanelAnswer::confirm();
    for (size_t i = 0; i < values.size(); ++i) {
        const json &v = values[i];
        const RecordedControl &c = dialog.controls[i];
        const int index = static_cast<int>(i);
        if (v.is_null() || c.kind == "AreaControl") continue;  // left as the module set it
        const std::string where = "\"" + c.label + "\" (" + c.kind + ")";
        if (c.kind == "FloatControl") {
            if (!v.is_number()) throw StudioError(400, where + " takes a number");
            answer.set(index, v.get<double>());
        } else if (c.kind == "BoolControl") {
            if (!v.is_boolean() && !v.is_number_integer())
                throw StudioError(400, where + " takes true or false");
            answer.set(index, v.is_boolean() ? (v.get<bool>() ? 1 : 0) : (v.get<long long>() != 0 ? 1 : 0));
        } else if (c.kind == "ChoiceControl") {
            if (!v.is_number_integer() || v.get<long long>() < 0 ||
                v.get<long long>() >= static_cast<long long>(c.items.size()))
                throw StudioError(400,
                                  where + " takes an item index below " + std::to_string(c.items.size()));
            answer.set(index, static_cast<int>(v.get<long long>()));
        } else if (c.kind == "FileControl") {
            if (!v.is_string()) throw StudioError(400, where + " takes a file name");
            std::string file = v.get<std::string>();
            if (!file.empty()) {
                fs::path full;
                std::string error;
                if (!files_.resolve(file, "", full, error)) throw StudioError(403, error);
                std::error_code ec;
                if (!fs::is_regular_file(full, ec)) throw StudioError(404, "no file " + files_.shown(full));
                checkPathLength(full);
                file = full.string();
            }
            answer.set(index, file);
        } else {
            throw StudioError(400, where + " cannot be set");
        }
    }
    scriptNextOpen(std::move(answer));
}

json Studio::confirmDialog(int id, const json &values) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    if (cachedPanel(u)) throw StudioError(400, u.use->server + " has a panel, not a dialog");
    clearRecordedPanels();
    RecordedPanel dialog;
    if (activateInterface(u, &dialog) || dialog.controls.empty())
        throw StudioError(404, u.use->server + " opens no dialog");
    queueConfirm(dialog, values);
    RecordedPanel confirmed;
    activateInterface(u, &confirmed);
    const bool answered = scriptedAnswersLeft() == 0;
    clearRecordedPanels();
    if (!answered) throw StudioError(409, u.use->server + " did not open its dialog again");
    if (!confirmed.scriptErrors.empty()) throw StudioError(400, confirmed.scriptErrors.front());
    renderer_.invalidate();
    return {{"confirmed", true}, {"use", id}, {"server", u.use->server}};
}

}  // namespace minihost::studio
