#include "minihost/studio/panel_json.h"

#include "minihost/panels/xpanel_host.h"

namespace minihost::studio {

namespace {

using nlohmann::json;

const XPanelDataInfo *dataOf(const XPanelRecord &rec, uint32_t vid) {
    for (const auto &d : rec.data)
        if (d.vid == vid) return &d;
    return nullptr;
}

bool listed(const std::vector<uint32_t> &ids, uint32_t id) {
    for (uint32_t i : ids)
        if (i == id) return true;
    return false;
}

json valueOf(XPanelID panel, const XPanelDataInfo &d, bool &animated) {
    if (d.dataType == "color-env" || d.dataType == "percent-env") {
        const auto env = xpanelEnvelope(panel, d.name);
        if (!env) return nullptr;
        animated = env->animated;
        if (d.dataType == "percent-env") return env->value[0];
        return json::array({env->value[0], env->value[1], env->value[2]});
    }
    const auto value = xpanelValue(panel, d.name);
    if (!value) return nullptr;
    if (const auto *i = std::get_if<int32_t>(&*value)) return *i;
    if (const auto *x = std::get_if<double>(&*value)) return *x;
    return nullptr;
}

json controlJson(XPanelID panel, const XPanelRecord &rec, const XPanelControlInfo &c) {
    json out = {{"id", c.cid},          {"label", c.label},
                {"class", c.ctrlClass}, {"data", nullptr},
                {"type", nullptr},      {"value", nullptr},
                {"animated", false},    {"enabled", xpanelEnabled(panel, c.cid)},
                {"choices", nullptr},   {"action", nullptr}};
    if (const XPanelDataInfo *d = dataOf(rec, c.cid)) {
        bool animated = false;
        out["data"] = d->name;
        out["type"] = d->dataType;
        out["value"] = valueOf(panel, *d, animated);
        out["animated"] = animated;
    }
    for (const auto &[cid, entries] : rec.choices)
        if (cid == c.cid) out["choices"] = entries;
    if (listed(rec.buttons, c.cid)) out["action"] = "button";
    if (listed(rec.popCmds, c.cid)) out["action"] = "popup";
    return out;
}

}  // namespace

json xpanelJson(XPanelID panel) {
    const auto rec = xpanelRecordOf(panel);
    if (!rec || rec->destroyed) return nullptr;
    json controls = json::array(), groups = json::array(), tabs = json::array();
    for (const auto &c : rec->controls) controls.push_back(controlJson(panel, *rec, c));
    for (const auto &g : rec->groups)
        groups.push_back({{"id", g.id}, {"label", g.label}, {"members", g.members}});
    for (const auto &t : rec->tabs) tabs.push_back({{"id", t.id}, {"pages", t.pages}});
    return {{"kind", "xpanel"},
            {"title", rec->title},
            {"controls", controls},
            {"groups", groups},
            {"tabs", tabs}};
}

json dialogJson(const RecordedPanel &dialog, const ConfinedFolder &files) {
    json controls = json::array();
    for (size_t i = 0; i < dialog.controls.size(); ++i) {
        const RecordedControl &c = dialog.controls[i];
        json value = nullptr;
        if (c.kind == "FloatControl") value = c.floatValue;
        if (c.kind == "BoolControl" || c.kind == "ChoiceControl") value = c.intValue;
        if (c.kind == "FileControl")
            value = c.stringValue.empty() ? std::string() : files.shown(c.stringValue);
        controls.push_back({{"index", i},
                            {"kind", c.kind},
                            {"label", c.label},
                            {"items", c.items},
                            {"value", value},
                            {"x", c.x},
                            {"y", c.y},
                            {"width", c.descWidth},
                            {"height", c.descHeight}});
    }
    return {{"kind", "dialog"}, {"title", dialog.title}, {"controls", controls}};
}

}  // namespace minihost::studio
