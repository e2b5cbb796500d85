// The headless "LWPanelServices" record: panels and controls kept in memory,
// opens answered from the queued script. Every entry point checks its handle
// against the panels it gave out, so a module passing a stale or foreign
// handle gets the null or 0 fallback, never a crash; each is installed
// guarded (core/service_guard.h).
#include "minihost/panels/panel_services_host.h"

#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>

#include "minihost/core/service_guard.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/panel_services_values.h"

namespace minihost {
namespace {

struct Panel;

// The record a module holds; `pub` comes first so a PanelControl pointer is a
// Control pointer.
struct Control {
    PanelControl pub;
    Panel *panel;
    size_t index;
};

struct Panel {
    RecordedPanel rec;
    std::vector<std::unique_ptr<Control>> controls;
};

struct State {
    std::mutex mutex;
    std::vector<std::unique_ptr<Panel>> panels;
    std::deque<PanelAnswer> script;
    bool createFails = false;
};

State &state() {
    static State s;
    return s;
}

PanelServices &record();

// The panel behind a handle this service gave out and not yet destroyed.
Panel *livePanel(State &s, PanelID id) {
    for (auto &p : s.panels)
        if (reinterpret_cast<PanelID>(p.get()) == id) return p->rec.destroyed ? nullptr : p.get();
    return nullptr;
}

// The control behind a handle, or null for one this service never gave out.
Control *knownControl(State &s, const PanelControl *ctl) {
    for (auto &p : s.panels)
        for (auto &c : p->controls)
            if (&c->pub == ctl) return c.get();
    return nullptr;
}

struct KindInfo {
    const char *name;
    int descType;
};
constexpr KindInfo kKinds[] = {{"FloatControl", CTL_KIND_FLOAT},
                               {"BoolControl", CTL_KIND_BOOL},
                               {"ChoiceControl", CTL_KIND_CHOICE},
                               {"AreaControl", CTL_KIND_AREA},
                               {"FileControl", CTL_KIND_FILE}};

const KindInfo *kindNamed(const char *kind) {
    if (!kind) return nullptr;
    for (const KindInfo &k : kKinds)
        if (std::strcmp(k.name, kind) == 0) return &k;
    return nullptr;
}

// A choice list is null-ended; a list without its end is cut at this length
// rather than read without bound.
constexpr size_t kMaxChoiceItems = 1024;

void ctlGet(PanelControl *ctl, int attr, PanelValue *value) {
    if (!ctl || !value) return;
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Control *c = knownControl(s, ctl);
    if (!c) return;
    RecordedControl &rc = c->panel->rec.controls[c->index];
    ++rc.reads;
    switch (attr) {
    case CTL_X: fillPanelValue(*value, ControlValue::ofInt(rc.x)); break;
    case CTL_Y: fillPanelValue(*value, ControlValue::ofInt(rc.y)); break;
    case CTL_W: fillPanelValue(*value, ControlValue::ofInt(rc.w)); break;
    case CTL_H: fillPanelValue(*value, ControlValue::ofInt(rc.h)); break;
    case CTL_VALUE: fillPanelValue(*value, currentValue(rc)); break;
    default: break;
    }
}

void ctlSet(PanelControl *ctl, int attr, const PanelValue *value) {
    if (!ctl || !value) return;
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Control *c = knownControl(s, ctl);
    if (!c) return;
    RecordedControl &rc = c->panel->rec.controls[c->index];
    ControlValue v = readPanelValue(*value);
    RecordedAttributeSet logged;
    logged.attribute = attr;
    logged.valueType = value->type;
    logged.intValue = v.asInt();
    logged.floatValue = v.asDouble();
    logged.stringValue = v.text;
    rc.sets.push_back(logged);
    if (v.type == VALUE_NONE) return;
    switch (attr) {
    case CTL_X: rc.x = v.asInt(); break;
    case CTL_Y: rc.y = v.asInt(); break;
    case CTL_W: rc.w = v.asInt(); break;
    case CTL_H: rc.h = v.asInt(); break;
    case CTL_VALUE: storeValue(rc, v); break;
    default: break;
    }
}

PanelID panelCreate(const char *title) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.createFails) return nullptr;
    auto p = std::make_unique<Panel>();
    p->rec.title = title ? title : "";
    p->rec.globalFun = record().globalFun;
    PanelID id = reinterpret_cast<PanelID>(p.get());
    s.panels.push_back(std::move(p));
    return id;
}

void panelDestroy(PanelID id) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (Panel *p = livePanel(s, id)) p->rec.destroyed = true;
}

PanelControl *panelAddControl(PanelID id, const char *kind, const ControlDesc *desc, const char *label) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Panel *p = livePanel(s, id);
    const KindInfo *k = kindNamed(kind);
    // A descriptor of another kind than the control's name is a fault of
    // the caller: refuse it rather than guess which one was meant.
    if (!p || !k || !desc || desc->type != k->descType) return nullptr;
    RecordedControl rc;
    rc.kind = k->name;
    rc.label = label ? label : "";
    rc.descType = desc->type;
    rc.descWidth = desc->width;
    rc.descHeight = desc->height;
    rc.vertical = desc->vertical;
    if (desc->type == CTL_KIND_CHOICE && desc->items)
        for (size_t i = 0; i < kMaxChoiceItems && desc->items[i]; ++i) rc.items.emplace_back(desc->items[i]);
    if (desc->type == CTL_KIND_AREA) {
        rc.w = desc->width;
        rc.h = desc->height;
    }
    auto c = std::make_unique<Control>();
    c->pub.get = ctlGet;
    c->pub.set = ctlSet;
    c->pub.priv = c.get();
    c->panel = p;
    c->index = p->rec.controls.size();
    p->rec.controls.push_back(std::move(rc));
    p->controls.push_back(std::move(c));
    return &p->controls.back()->pub;
}

// The control a script entry names, or null.
RecordedControl *scriptTarget(RecordedPanel &rec, const PanelAnswer::Entry &e) {
    if (e.index >= 0)
        return static_cast<size_t>(e.index) < rec.controls.size()
                   ? &rec.controls[static_cast<size_t>(e.index)]
                   : nullptr;
    for (RecordedControl &rc : rec.controls)
        if (rc.label == e.label) return &rc;
    return nullptr;
}

std::string entryName(const PanelAnswer::Entry &e) {
    return e.index >= 0 ? "control " + std::to_string(e.index) : "control \"" + e.label + "\"";
}

int panelOpen(PanelID id, int flags) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Panel *p = livePanel(s, id);
    if (!p) return 0;
    PanelAnswer answer = PanelAnswer::cancel();
    if (!s.script.empty()) {
        answer = std::move(s.script.front());
        s.script.pop_front();
    }
    if (answer.confirms()) {
        for (const PanelAnswer::Entry &e : answer.entries()) {
            RecordedControl *rc = scriptTarget(p->rec, e);
            if (!rc) {
                p->rec.scriptErrors.push_back("script names no " + entryName(e));
                continue;
            }
            if (!storeValue(*rc, ControlValue::fromScript(e.value)))
                p->rec.scriptErrors.push_back(entryName(e) + " (" + rc->kind +
                                              ") cannot take the scripted value");
        }
    }
    p->rec.opens.push_back(RecordedOpen{flags, answer.confirms()});
    return answer.confirms() ? 1 : 0;
}

PanelServices &record() {
    static PanelServices r{nullptr, guardedService<"PanelServices.create", panelCreate>,
                           guardedService<"PanelServices.destroy", panelDestroy>,
                           guardedService<"PanelServices.addControl", panelAddControl>,
                           guardedService<"PanelServices.open", panelOpen>};
    return r;
}

}  // namespace

PanelAnswer PanelAnswer::confirm() { return PanelAnswer(true); }
PanelAnswer PanelAnswer::cancel() { return PanelAnswer(false); }

PanelAnswer &PanelAnswer::set(const std::string &label, PanelScriptValue value) {
    entries_.push_back(Entry{label, -1, std::move(value)});
    return *this;
}

PanelAnswer &PanelAnswer::set(int index, PanelScriptValue value) {
    // A negative index can name nothing; keep it as an entry that the open
    // reports instead of silently turning it into a label lookup.
    entries_.push_back(Entry{index < 0 ? "#" + std::to_string(index) : std::string(), index < 0 ? -1 : index,
                             std::move(value)});
    return *this;
}

PanelServices *panelServicesRecord() { return &record(); }

void installPanelServices() { registry().provide(SERVICE_PANEL_SERVICES, panelServicesRecord()); }

void scriptNextOpen(PanelAnswer answer) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.script.push_back(std::move(answer));
}

int scriptedAnswersLeft() {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int>(s.script.size());
}

void setPanelCreateFails(bool fail) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.createFails = fail;
}

std::vector<RecordedPanel> recordedPanels() {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<RecordedPanel> out;
    for (auto &p : s.panels) out.push_back(p->rec);
    return out;
}

void clearRecordedPanels() {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.panels.clear();
    s.script.clear();
}

}  // namespace minihost
