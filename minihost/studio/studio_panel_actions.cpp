// What a user does on a panel or a dialog, carried out through the module's
// own callbacks: set a value, press a button, run a pop-up command (answering
// the file request it makes), confirm a dialog. Values are checked against
// the panel's own description before a module sees them.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "host/variant_params.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/file_request_host.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/services/active_scene.h"
#include "minihost/states/file_io.h"
#include "minihost/studio/panel_json.h"
#include "minihost/studio/studio.h"

namespace minihost::studio {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The largest file the studio hands a module (presets are a few KiB).
constexpr size_t kLargestModuleFile = 16u << 20;

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

bool finite(const json &v) { return v.is_number() && std::isfinite(v.get<double>()); }

// A whole number from JSON (5 or 5.0), within a 32-bit integer.
bool wholeNumber(const json &v, int32_t &out) {
    if (!finite(v)) return false;
    const double d = v.get<double>();
    if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0) return false;
    out = static_cast<int32_t>(d);
    return true;
}

// A value from the page checked against the control's description: what the
// module will be handed, or StudioError(400) in the label's words.
XPanelValue checkedValue(const XPanelControlInfo &c, const XPanelDataInfo &d,
                         const std::vector<std::string> *choices, const json &v) {
    const std::string label = "\"" + plainLabel(c.label) + "\"";
    if (d.dataType == "integer") {
        int32_t n = 0;
        if (c.ctrlClass == "iBoolean") {
            if (v.is_boolean()) return static_cast<int32_t>(v.get<bool>() ? 1 : 0);
            if (!wholeNumber(v, n) || (n != 0 && n != 1))
                throw StudioError(400, label + " is on or off (true or false, 1 or 0)");
            return n;
        }
        if (!wholeNumber(v, n)) throw StudioError(400, label + " takes a whole number");
        if (c.ctrlClass == "iPopChoice") {
            const size_t count = choices ? choices->size() : 0;
            if (n < 0 || static_cast<size_t>(n) >= count)
                throw StudioError(400, label + " is one of its " + std::to_string(count) + " choices (0 to " +
                                           std::to_string(static_cast<long>(count) - 1) + ")");
        }
        return n;
    }
    if (d.dataType == "color-env") {
        if (!v.is_array() || v.size() != 3 || !std::all_of(v.begin(), v.end(), finite))
            throw StudioError(400, label + " takes three numbers (red, green, blue)");
        return 0.0;  // set through the variant parameter, below
    }
    if (!finite(v)) throw StudioError(400, label + " takes a number");
    return v.get<double>();
}

const VParmFuncs *vparmService() {
    return static_cast<const VParmFuncs *>(registry().lookup(SERVICE_VPARM_FUNCS));
}

// Sets a key at `time` on each channel of an animated parameter; false
// when a channel has no envelope or a key cannot be made.
bool keyParameter(VParmID vp, const std::vector<double> &values, double time) {
    const VParmFuncs *vpf = vparmService();
    const auto *envf = static_cast<const EnvelopeFuncs *>(registry().lookup(SERVICE_ENVELOPE_FUNCS));
    if (!vpf || !envf || !vpf->getEnv || !envf->createKey) return false;
    EnvelopeID envs[3] = {nullptr, nullptr, nullptr};
    vpf->getEnv(vp, envs);
    for (size_t i = 0; i < values.size(); ++i)
        if (!envs[i]) return false;
    for (size_t i = 0; i < values.size(); ++i)
        if (!envf->createKey(envs[i], time, values[i])) return false;
    return true;
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
    if (a.extension.size() > 16 ||
        a.extension.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") !=
            std::string::npos)
        a.extension.clear();
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

int statusOf(FileRefusal r) {
    switch (r) {
    case FileRefusal::BadName: return 400;
    case FileRefusal::Outside: return 403;
    case FileRefusal::Missing:
    case FileRefusal::NoFolder: return 404;
    case FileRefusal::Exists:
    case FileRefusal::NotAFile: return 409;
    default: return 500;
    }
}

// A file name from a request, checked, as a path relative to the root.
std::string checkedName(const ConfinedFolder &files, const std::string &request,
                        const std::string &extension) {
    std::string relative, error;
    const FileRefusal r = files.name(request, extension, relative, error);
    if (r != FileRefusal::None) throw StudioError(statusOf(r), error);
    return relative;
}

// Copies a file of the root into the private folder for a module to read.
void stageForReading(const ConfinedFolder &files, const StagingFolder &staging, const std::string &relative,
                     const std::string &as) {
    std::string bytes, error;
    const FileRefusal r = files.read(relative, kLargestModuleFile, bytes, error);
    if (r != FileRefusal::None) throw StudioError(statusOf(r), error);
    if (!staging.put(as, bytes)) throw StudioError(500, "cannot hand " + relative + " to the module");
}

}  // namespace

json Studio::setValue(int id, uint32_t cid, const json &value, bool key) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    XPanelID p = panelOf(u);
    const auto rec = xpanelRecordOf(p);
    const XPanelControlInfo &c = controlOf(*rec, cid);
    const XPanelDataInfo *data = nullptr;
    for (const auto &d : rec->data)
        if (d.vid == cid) data = &d;
    if (!data) throw StudioError(400, "\"" + plainLabel(c.label) + "\" holds no value");
    const std::vector<std::string> *choices = nullptr;
    for (const auto &[k, list] : rec->choices)
        if (k == cid) choices = &list;
    const XPanelValue checked = checkedValue(c, *data, choices, value);
    if (!xpanelEnabled(p, cid)) throw StudioError(409, "\"" + plainLabel(c.label) + "\" is disabled");
    const bool envelope = data->dataType == "color-env" || data->dataType == "percent-env";
    if (key && !envelope) throw StudioError(400, "\"" + plainLabel(c.label) + "\" cannot be keyed");

    SceneState before = capture();
    std::string error;
    if (key) {
        const auto current = xpanelValue(p, data->name);
        const VParmID *vp = current ? std::get_if<VParmID>(&*current) : nullptr;
        std::vector<double> values;
        if (value.is_array())
            for (const json &v : value) values.push_back(v.get<double>());
        else
            values.push_back(value.get<double>());
        if (!vp || !keyParameter(*vp, values, activeScene().currentTime))
            throw StudioError(409, "\"" + plainLabel(c.label) + "\" has no keys to add to");
        xpanelSet(p, data->name, *vp);  // the module hears of it, as after any change
    } else if (envelope) {
        std::string text;
        if (value.is_array())
            for (const json &v : value) text += (text.empty() ? "" : " ") + number(v.get<double>());
        else
            text = number(value.get<double>());
        if (!xpanelSetFromText(p, data->name, text, error)) throw StudioError(400, error);
    } else if (!xpanelSet(p, data->name, checked)) {
        throw StudioError(400, "the module did not take the value of \"" + plainLabel(c.label) + "\"");
    }
    changed(plainLabel(c.label) + " on " + u.where, std::move(before));
    return panelJsonOf(u);
}

json Studio::press(int id, uint32_t cid) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    XPanelID p = panelOf(u);
    const auto rec = xpanelRecordOf(p);
    const XPanelControlInfo &c = controlOf(*rec, cid);
    if (!listed(rec->buttons, cid)) throw StudioError(400, "\"" + plainLabel(c.label) + "\" is not a button");
    if (!xpanelEnabled(p, cid)) throw StudioError(409, "\"" + plainLabel(c.label) + "\" is disabled");
    SceneState before = capture();
    xpanelPress(p, cid);
    changed(plainLabel(c.label) + " on " + u.where, std::move(before));
    return panelJsonOf(u);
}

json Studio::popup(int id, uint32_t cid, int entry, const std::string &path, bool overwrite) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    XPanelID p = panelOf(u);
    const auto rec = xpanelRecordOf(p);
    const XPanelControlInfo &c = controlOf(*rec, cid);
    const std::string label = "\"" + plainLabel(c.label) + "\"";
    if (!listed(rec->popCmds, cid)) throw StudioError(400, label + " is not a pop-up command");
    const std::vector<std::string> *entries = nullptr;
    for (const auto &[k, list] : rec->choices)
        if (k == cid) entries = &list;
    if (!entries || entry < 0 || static_cast<size_t>(entry) >= entries->size())
        throw StudioError(400, label + " has no entry " + std::to_string(entry));
    if (!xpanelEnabled(p, cid)) throw StudioError(409, label + " is disabled");
    const std::string what =
        plainLabel(c.label) + ": " + (*entries)[static_cast<size_t>(entry)] + " on " + u.where;

    // The command runs as the module wrote it. Should it ask for a file, the
    // request is answered with Cancel, which does nothing: the page then asks
    // the user, and the command runs again with the file as the answer.
    SceneState before = capture();
    clearFileRequests();
    xpanelPopCmd(p, cid, entry);
    const auto requests = recordedFileRequests();
    if (requests.empty()) {
        changed(what, std::move(before));
        return panelJsonOf(u);
    }
    const RecordedFileRequest &asked = requests.front();
    const FileAsked wanted = askedBy(asked);
    if (path.empty())
        return {{"fileRequest",
                 {{"title", asked.title},
                  {"save", wanted.save},
                  {"extension", wanted.extension},
                  {"files", files_.list(wanted.extension, 200)}}}};

    const std::string relative = checkedName(files_, completed(path, wanted.extension), wanted.extension);
    std::string error;
    const FileRefusal there = files_.probe(relative, error);
    if (wanted.save && there == FileRefusal::None && !overwrite)
        throw StudioError(409, relative + " exists; overwrite it?", {{"exists", true}, {"path", relative}});
    if (there != FileRefusal::None && (!wanted.save || there != FileRefusal::Missing))
        throw StudioError(statusOf(there), error);

    // The module reads or writes a private copy: the file in the root is
    // read, or written, by the studio alone, beneath the root's descriptor.
    const std::string staged = "file" + (wanted.extension.empty() ? "" : "." + wanted.extension);
    staging_.remove(staged);
    if (!wanted.save) stageForReading(files_, staging_, relative, staged);
    clearFileRequests();
    scriptFileRequest(FileRequestAnswer::choose(staging_.path(staged)));
    clearFileIOError();
    xpanelPopCmd(p, cid, entry);
    const bool answered = scriptedFileRequestsLeft() == 0;
    clearFileRequests();
    const std::string failed = lastFileIOError();
    std::string bytes;
    const bool written = wanted.save && staging_.take(staged, kLargestModuleFile, bytes);
    staging_.remove(staged);
    if (!answered) throw StudioError(409, label + " did not ask for a file this time");
    if (!failed.empty() || (wanted.save && !written)) {
        changed(what, std::move(before));
        throw StudioError(500, failed.empty() ? "the module wrote no file" : failed);
    }
    if (wanted.save) {
        const FileRefusal r = files_.write(relative, bytes, overwrite, error);
        if (r != FileRefusal::None) throw StudioError(statusOf(r), error);
    }
    changed(what, std::move(before));
    json out = panelJsonOf(u);
    out["file"] = relative;
    return out;
}

std::vector<std::string> Studio::queueConfirm(const RecordedPanel &dialog, const json &values) {
    if (!values.is_array() || values.size() != dialog.controls.size())
        throw StudioError(400, "a dialog is confirmed with one value per control (" +
                                   std::to_string(dialog.controls.size()) + ")");
    PanelAnswer answer = PanelAnswer::confirm();
    std::vector<std::string> staged;
    for (size_t i = 0; i < values.size(); ++i) {
        const json &v = values[i];
        const RecordedControl &c = dialog.controls[i];
        const int index = static_cast<int>(i);
        if (v.is_null() || c.kind == "AreaControl") continue;  // left as the module set it
        const std::string where = "\"" + plainLabel(c.label) + "\"";
        if (c.kind == "FloatControl") {
            if (!finite(v)) throw StudioError(400, where + " takes a number");
            answer.set(index, v.get<double>());
        } else if (c.kind == "BoolControl") {
            int32_t n = 0;
            if (!v.is_boolean() && (!wholeNumber(v, n) || (n != 0 && n != 1)))
                throw StudioError(400, where + " is on or off (true or false, 1 or 0)");
            answer.set(index, v.is_boolean() ? (v.get<bool>() ? 1 : 0) : n);
        } else if (c.kind == "ChoiceControl") {
            int32_t n = 0;
            if (!wholeNumber(v, n) || n < 0 || static_cast<size_t>(n) >= c.items.size())
                throw StudioError(400,
                                  where + " is one of its " + std::to_string(c.items.size()) + " choices");
            answer.set(index, n);
        } else if (c.kind == "FileControl") {
            if (!v.is_string()) throw StudioError(400, where + " takes a file name");
            std::string file = v.get<std::string>();
            if (!file.empty()) {
                const std::string relative = checkedName(files_, file, "");
                const std::string ext = fs::path(relative).extension().string();
                const std::string as = "dialog" + std::to_string(i) + (ext.size() <= 17 ? ext : "");
                stageForReading(files_, staging_, relative, as);
                staged.push_back(as);
                file = staging_.path(as);
            }
            answer.set(index, file);
        } else {
            throw StudioError(400, where + " cannot be set");
        }
    }
    scriptNextOpen(std::move(answer));
    return staged;
}

json Studio::confirmDialog(int id, const json &values) {
    auto changing = lock_.change();
    const Use &u = useOf(id);
    if (cachedPanel(u)) throw StudioError(400, u.use->server + " has a panel, not a dialog");
    clearRecordedPanels();
    RecordedPanel dialog;
    if (activateInterface(u, &dialog) || dialog.controls.empty())
        throw StudioError(404, u.use->server + " opens no dialog");
    SceneState before = capture();
    const auto staged = queueConfirm(dialog, values);
    RecordedPanel confirmed;
    activateInterface(u, &confirmed);
    const bool answered = scriptedAnswersLeft() == 0;
    clearRecordedPanels();
    for (const std::string &name : staged) staging_.remove(name);
    if (!answered) throw StudioError(409, u.use->server + " did not open its dialog again");
    if (!confirmed.scriptErrors.empty()) throw StudioError(400, confirmed.scriptErrors.front());
    changed(dialog.title.empty() ? u.use->server : dialog.title, std::move(before));
    return {{"confirmed", true}, {"use", id}, {"server", u.use->server}};
}

}  // namespace minihost::studio
