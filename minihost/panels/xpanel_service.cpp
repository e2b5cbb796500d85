// The "LWXPanel" record: panels kept in memory exactly as described. Every
// entry point checks its handle against the panels it gave out, so a module
// passing a stale or foreign handle gets nothing done, never a crash; each is
// installed guarded (core/service_guard.h).
#include <cstring>

#include "minihost/core/service_guard.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/xpanel_state.h"

namespace minihost {
namespace xpanel_detail {

// Bounds on lists a module ends with a terminator, so a missing terminator
// stops the walk instead of running on for ever.
constexpr int kMaxListEntries = 4096;

State &state() {
    static State s;
    return s;
}

Panel *knownPanel(State &s, XPanelID id) {
    for (auto &p : s.panels)
        if (reinterpret_cast<XPanelID>(p.get()) == id) return p.get();
    return nullptr;
}

Panel *livePanel(State &s, XPanelID id) {
    Panel *p = knownPanel(s, id);
    return p && !p->rec.destroyed ? p : nullptr;
}

const XPanelControlInfo *controlOf(const Panel &p, uint32_t cid) {
    for (const auto &c : p.rec.controls)
        if (c.cid == cid) return &c;
    return nullptr;
}

const XPanelDataInfo *dataOf(const Panel &p, uint32_t vid) {
    for (const auto &d : p.rec.data)
        if (d.vid == vid) return &d;
    return nullptr;
}

const XPanelDataInfo *dataNamed(const Panel &p, const std::string &name) {
    for (const auto &d : p.rec.data)
        if (d.name == name) return &d;
    return nullptr;
}

const std::vector<std::string> *choicesOf(const Panel &p, uint32_t cid) {
    for (const auto &c : p.rec.choices)
        if (c.first == cid) return &c.second;
    return nullptr;
}

namespace {

bool isEnvelopeType(const std::string &type) { return type == "color-env" || type == "percent-env"; }

std::string text(const char *s) { return s ? std::string(s) : std::string(); }

std::vector<uint32_t> idList(const uint32_t *ids) {
    std::vector<uint32_t> out;
    for (int i = 0; ids && i < kMaxListEntries && ids[i] != 0; ++i) out.push_back(ids[i]);
    return out;
}

XPanelGroupInfo &groupFor(Panel &p, uint32_t id) {
    for (auto &g : p.rec.groups)
        if (g.id == id) return g;
    p.rec.groups.push_back(XPanelGroupInfo{id, {}, {}});
    return p.rec.groups.back();
}

void applyHint(Panel &p, uint32_t target, const XPanelHint &h) {
    const uint32_t id = h.id != 0 ? h.id : target;
    switch (h.kind) {
    case XPH_LABEL:
        if (id == 0) {
            p.rec.title = text(h.text);
        } else if (controlOf(p, id) == nullptr) {
            groupFor(p, id).label = text(h.text);
        }
        break;
    case XPH_STRLIST: {
        std::vector<std::string> entries;
        for (int i = 0; h.strings && i < kMaxListEntries && h.strings[i]; ++i)
            entries.emplace_back(h.strings[i]);
        for (auto &c : p.rec.choices)
            if (c.first == id) {
                c.second = entries;
                return;
            }
        p.rec.choices.emplace_back(id, entries);
        break;
    }
    case XPH_BUTNOTIFY:
        if (h.button) {
            p.buttonFuncs[id] = h.button;
            p.rec.buttons.push_back(id);
        }
        break;
    case XPH_POPCMDFUNC:
        if (h.popCmd) {
            p.popCmdFuncs[id] = h.popCmd;
            p.rec.popCmds.push_back(id);
        }
        break;
    case XPH_GROUP: groupFor(p, id).members = idList(h.ids); break;
    case XPH_TABS: p.rec.tabs.push_back(XPanelTabsInfo{id, idList(h.ids)}); break;
    case XPH_ENABLE_MAP: {
        XPanelEnableMap m{id, h.ref, {}};
        for (int i = 0; h.map && i < h.count && i < kMaxListEntries; ++i) m.map.push_back(h.map[i]);
        p.rec.enableMaps.push_back(std::move(m));
        break;
    }
    default: break;
    }
}

XPanelID panelCreate(int type, const XPanelControl *controls) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (s.createFails) return nullptr;
    auto p = std::make_unique<Panel>();
    p->rec.type = type;
    for (int i = 0; controls && i < kMaxListEntries && controls[i].cid != 0; ++i)
        p->rec.controls.push_back({controls[i].cid, text(controls[i].label), text(controls[i].ctrlClass)});
    s.panels.push_back(std::move(p));
    return reinterpret_cast<XPanelID>(s.panels.back().get());
}

void panelDestroy(XPanelID panel) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (Panel *p = livePanel(s, panel)) p->rec.destroyed = true;
}

void panelHint(XPanelID panel, uint32_t id, const XPanelHint *hints) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p || !hints) return;
    for (int i = 0; i < kMaxListEntries && hints[i].kind != XPH_END; ++i) applyHint(*p, id, hints[i]);
}

void panelDescribe(XPanelID panel, const XPanelData *data, XPanelGetFunc *get, XPanelSetFunc *set) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) return;
    p->rec.data.clear();
    for (int i = 0; data && i < kMaxListEntries && data[i].vid != 0; ++i)
        p->rec.data.push_back({data[i].vid, text(data[i].name), text(data[i].dataType)});
    p->get = get;
    p->set = set;
    p->rec.described = true;
}

void panelViewInst(XPanelID panel, void *inst) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (Panel *p = livePanel(s, panel)) p->rec.instance = inst;
}

void panelSetData(XPanelID panel, uint32_t cid, void *data) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) return;
    if (cid == 0) p->rec.userData = data;
    p->controlData[cid] = data;
}

void *panelGetData(XPanelID panel, uint32_t cid) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) return nullptr;
    auto it = p->controlData.find(cid);
    return it == p->controlData.end() ? nullptr : it->second;
}

void panelViewRefresh(XPanelID panel) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) return;
    ++p->rec.refreshes;
    // A host re-reads every value; reading them here also catches a get
    // callback that fails after a change.
    for (const auto &d : p->rec.data) (void)readValue(*p, d.vid);
}

}  // namespace

std::optional<XPanelValue> readValue(const Panel &p, uint32_t vid) {
    const XPanelDataInfo *d = dataOf(p, vid);
    if (!d || !p.get || !p.rec.instance) return std::nullopt;
    void *where = p.get(p.rec.instance, vid);
    if (!where) return std::nullopt;
    if (isEnvelopeType(d->dataType)) return XPanelValue(static_cast<VParmID>(where));
    if (d->dataType == "integer") {
        int32_t v;
        std::memcpy(&v, where, sizeof v);
        return XPanelValue(v);
    }
    double v;
    std::memcpy(&v, where, sizeof v);
    return XPanelValue(v);
}

bool enabled(const Panel &p, uint32_t cid, int depth) {
    if (depth > 16) return true;  // a cycle of maps: stop rather than recurse for ever
    for (const auto &m : p.rec.enableMaps) {
        if (m.controlled != cid) continue;
        if (!enabled(p, m.controlling, depth + 1)) return false;
        if (m.map.empty()) continue;
        long long index = 0;
        const XPanelControlInfo *controller = controlOf(p, m.controlling);
        const auto value = readValue(p, m.controlling);
        if (value) {
            if (const auto *i = std::get_if<int32_t>(&*value))
                index = *i;
            else if (const auto *d = std::get_if<double>(&*value))
                index = static_cast<long long>(*d);
        }
        // A boolean is on for any non-zero value; other values outside the map
        // take its nearest entry.
        if (controller && controller->ctrlClass == "iBoolean") index = index != 0 ? 1 : 0;
        if (index < 0) index = 0;
        if (index >= static_cast<long long>(m.map.size())) index = static_cast<long long>(m.map.size()) - 1;
        if (m.map[static_cast<size_t>(index)] == 0) return false;
    }
    return true;
}

}  // namespace xpanel_detail

using namespace xpanel_detail;

XPanelFuncs *xpanelRecord() {
    static XPanelFuncs record = {1,
                                 guardedService<"XPanelFuncs.create", panelCreate>,
                                 guardedService<"XPanelFuncs.destroy", panelDestroy>,
                                 guardedService<"XPanelFuncs.hint", panelHint>,
                                 guardedService<"XPanelFuncs.describe", panelDescribe>,
                                 guardedService<"XPanelFuncs.viewInst", panelViewInst>,
                                 guardedService<"XPanelFuncs.setData", panelSetData>,
                                 guardedService<"XPanelFuncs.getData", panelGetData>,
                                 guardedService<"XPanelFuncs.viewRefresh", panelViewRefresh>};
    return &record;
}

void installXPanelService() { registry().provide(SERVICE_XPANEL, xpanelRecord()); }

void setXPanelCreateFails(bool fail) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.createFails = fail;
}

std::vector<XPanelID> xpanels() {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    std::vector<XPanelID> out;
    for (auto &p : s.panels) out.push_back(reinterpret_cast<XPanelID>(p.get()));
    return out;
}

XPanelID lastXPanel() {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.panels.empty() ? nullptr : reinterpret_cast<XPanelID>(s.panels.back().get());
}

std::optional<XPanelRecord> xpanelRecordOf(XPanelID panel) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = knownPanel(s, panel);
    if (!p) return std::nullopt;
    return p->rec;
}

void clearXPanels() {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.panels.clear();
}

}  // namespace minihost
