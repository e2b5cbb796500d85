#include "minihost/studio/panel_json.h"

#include <regex>

#include "host/variant_params.h"
#include "minihost/core/service_registry.h"
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

// Whether the variant parameter behind an envelope control has a texture.
bool textured(XPanelID panel, const XPanelDataInfo &d) {
    const auto *vpf = static_cast<const VParmFuncs *>(registry().lookup(SERVICE_VPARM_FUNCS));
    const auto value = xpanelValue(panel, d.name);
    const VParmID *vp = value ? std::get_if<VParmID>(&*value) : nullptr;
    return vpf && vpf->getState && vp && *vp && (vpf->getState(*vp) & VPSTATE_TEXTURE) != 0;
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
                {"choices", nullptr},   {"action", nullptr},
                {"textured", false},    {"range", advisedRange(c.label, c.ctrlClass)}};
    if (const XPanelDataInfo *d = dataOf(rec, c.cid)) {
        bool animated = false;
        out["data"] = d->name;
        out["type"] = d->dataType;
        out["value"] = valueOf(panel, *d, animated);
        out["animated"] = animated;
        if (d->dataType == "color-env" || d->dataType == "percent-env") out["textured"] = textured(panel, *d);
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
                            {"range", c.kind == "FloatControl" ? advisedRange(c.label, "float") : json()},
                            {"x", c.x},
                            {"y", c.y},
                            {"width", c.descWidth},
                            {"height", c.descHeight}});
    }
    return {{"kind", "dialog"}, {"title", dialog.title}, {"controls", controls}};
}

std::string plainLabel(const std::string &label) {
    size_t end = label.size();
    while (end > 0 && (label[end - 1] == ' ' || label[end - 1] == ':')) --end;
    return label.substr(0, end);
}

json advisedRange(const std::string &label, const std::string &kind) {
    static const std::regex bracket(R"(\[\s*(-?[0-9]+(?:\.[0-9]+)?)\s*-\s*([0-9]+(?:\.[0-9]+)?|n)\s*\])");
    std::smatch m;
    if (std::regex_search(label, m, bracket)) {
        const json max = m[2] == "n" ? json() : json(std::stod(m[2]));
        return {{"min", std::stod(m[1])}, {"max", max}, {"labelled", true}};
    }
    if (kind == "percent" || kind == "percent-env") return {{"min", 0}, {"max", 10}, {"labelled", false}};
    return nullptr;
}

}  // namespace minihost::studio
