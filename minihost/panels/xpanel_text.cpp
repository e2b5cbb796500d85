// Printing a recorded panel as text: what a user would see on its tabs.
#include <charconv>
#include <cstdio>
#include <set>

#include "minihost/panels/xpanel_state.h"

namespace minihost {

using namespace xpanel_detail;

namespace {

std::string shortest(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string sixDigits(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

std::string hexId(uint32_t id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(id));
    return buf;
}

std::string valueText(const Panel &p, const XPanelControlInfo &c) {
    const std::string &cls = c.ctrlClass;
    if (cls == "vButton") return "[button]";
    if (cls == "vPopCmd") {
        std::string out = "[";
        if (const auto *entries = choicesOf(p, c.cid))
            for (size_t i = 0; i < entries->size(); ++i) out += (i ? " | " : "") + (*entries)[i];
        return out + "]";
    }
    const auto value = readValue(p, c.cid);
    if (!value) return "(no value)";
    if (const auto *vp = std::get_if<VParmID>(&*value)) {
        const XPanelDataInfo *d = dataOf(p, c.cid);
        return vparamText(*vp, d ? d->dataType : cls);
    }
    if (const auto *i = std::get_if<int32_t>(&*value)) {
        if (cls == "iBoolean") return *i ? "on" : "off";
        if (cls == "iPopChoice") {
            const auto *entries = choicesOf(p, c.cid);
            if (entries && *i >= 0 && static_cast<size_t>(*i) < entries->size())
                return (*entries)[static_cast<size_t>(*i)];
            return std::to_string(*i) + " (not a choice)";
        }
        return std::to_string(*i);
    }
    const double d = std::get<double>(*value);
    if (cls == "percent") return sixDigits(d * 100.0) + " %";
    if (cls == "angle") return sixDigits(d * 180.0 / 3.141592653589793) + " deg";
    return shortest(d);
}

class Printer {
public:
    explicit Printer(const Panel &p) : p_(p) {}

    std::string run() {
        out_ = "XPanel \"" + p_.rec.title + "\"\n";
        for (const auto &tabs : p_.rec.tabs) {
            for (uint32_t page : tabs.pages) {
                const XPanelGroupInfo *g = groupOf(page);
                out_ += "Tab \"" + (g ? g->label : hexId(page)) + "\"\n";
                placed_.insert(page);
                if (g) members(*g, 1);
            }
        }
        // Whatever no tab reached, in the order the module listed it.
        std::string rest;
        std::swap(rest, out_);
        for (const auto &g : p_.rec.groups)
            if (!placed_.count(g.id) && !isMember(g.id)) group(g, 1);
        for (const auto &c : p_.rec.controls)
            if (!placed_.count(c.cid)) control(c, 1);
        if (!out_.empty()) rest += "Not on a tab\n" + out_;
        return rest;
    }

private:
    const XPanelGroupInfo *groupOf(uint32_t id) const {
        for (const auto &g : p_.rec.groups)
            if (g.id == id) return &g;
        return nullptr;
    }

    bool isMember(uint32_t id) const {
        for (const auto &g : p_.rec.groups)
            for (uint32_t m : g.members)
                if (m == id) return true;
        return false;
    }

    void members(const XPanelGroupInfo &g, int depth) {
        for (uint32_t m : g.members) {
            if (placed_.count(m)) continue;  // listed twice, or a cycle
            if (const XPanelGroupInfo *sub = groupOf(m)) {
                group(*sub, depth);
            } else if (const XPanelControlInfo *c = controlOf(p_, m)) {
                control(*c, depth);
            }
        }
    }

    void group(const XPanelGroupInfo &g, int depth) {
        placed_.insert(g.id);
        out_ +=
            std::string(2 * depth, ' ') + "Group" + (g.label.empty() ? "" : " \"" + g.label + "\"") + "\n";
        members(g, depth + 1);
    }

    void control(const XPanelControlInfo &c, int depth) {
        placed_.insert(c.cid);
        std::string label = c.label;
        if (label.empty() || label.back() != ' ') label += ' ';
        out_ += std::string(2 * depth, ' ') + "[" + hexId(c.cid) + "] " + label + valueText(p_, c);
        if (!enabled(p_, c.cid)) out_ += "  (disabled)";
        out_ += "\n";
    }

    const Panel &p_;
    std::string out_;
    std::set<uint32_t> placed_;
};

}  // namespace

std::string xpanelText(XPanelID panel) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) return "";
    return Printer(*p).run();
}

}  // namespace minihost
