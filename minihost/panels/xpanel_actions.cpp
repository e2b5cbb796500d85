// Acting on a recorded panel as its user would: reading and writing values by
// data name, asking what is enabled, pressing buttons and running pop-ups.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "minihost/panels/xpanel_state.h"

namespace minihost {

using namespace xpanel_detail;

namespace {

bool isEnvelopeType(const std::string &type) { return type == "color-env" || type == "percent-env"; }

bool callSet(Panel &p, const XPanelDataInfo &d, const XPanelValue &value) {
    if (!p.set || !p.rec.instance) return false;
    if (isEnvelopeType(d.dataType)) {
        const VParmID *vp = std::get_if<VParmID>(&value);
        if (!vp) return false;
        VParmID copy = *vp;
        return p.set(p.rec.instance, d.vid, &copy) != 0;
    }
    if (std::holds_alternative<VParmID>(value)) return false;
    if (d.dataType == "integer") {
        int32_t v;
        if (const auto *i = std::get_if<int32_t>(&value)) {
            v = *i;
        } else {
            const double x = std::get<double>(value);
            if (!(x >= -2147483648.0 && x < 2147483648.0)) return false;
            v = static_cast<int32_t>(x);
        }
        return p.set(p.rec.instance, d.vid, &v) != 0;
    }
    double v;
    if (const auto *i = std::get_if<int32_t>(&value))
        v = *i;
    else
        v = std::get<double>(value);
    return p.set(p.rec.instance, d.vid, &v) != 0;
}

// A number followed by nothing but `suffix` (and blanks); false otherwise.
bool parseNumber(const std::string &text, const char *suffix, double &out) {
    const char *begin = text.c_str();
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE) return false;
    std::string rest(end);
    while (!rest.empty() && rest.front() == ' ') rest.erase(rest.begin());
    while (!rest.empty() && rest.back() == ' ') rest.pop_back();
    if (!rest.empty() && rest != suffix) return false;
    out = v;
    return true;
}

}  // namespace

std::optional<XPanelValue> xpanelValue(XPanelID panel, const std::string &dataName) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) return std::nullopt;
    const XPanelDataInfo *d = dataNamed(*p, dataName);
    if (!d) return std::nullopt;
    return readValue(*p, d->vid);
}

bool xpanelSet(XPanelID panel, const std::string &dataName, XPanelValue value) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) return false;
    const XPanelDataInfo *d = dataNamed(*p, dataName);
    return d && callSet(*p, *d, value);
}

bool xpanelSetFromText(XPanelID panel, const std::string &dataName, const std::string &text,
                       std::string &error) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p) {
        error = "no such panel";
        return false;
    }
    const XPanelDataInfo *d = dataNamed(*p, dataName);
    if (!d) {
        std::string known;
        for (const auto &k : p->rec.data) known += (known.empty() ? "" : ", ") + k.name;
        error = "unknown value \"" + dataName + "\" (known: " + known + ")";
        return false;
    }
    if (isEnvelopeType(d->dataType)) {
        // The host changes the parameter itself, then tells the module.
        const auto current = readValue(*p, d->vid);
        const VParmID *vp = current ? std::get_if<VParmID>(&*current) : nullptr;
        if (!vp) {
            error = "\"" + dataName + "\" has no parameter to set";
            return false;
        }
        if (!setVparamFromText(*vp, d->dataType, text, error)) return false;
        if (!callSet(*p, *d, *current)) {
            error = "the module did not accept \"" + text + "\" for \"" + dataName + "\"";
            return false;
        }
        return true;
    }
    const XPanelControlInfo *control = controlOf(*p, d->vid);
    XPanelValue value = 0.0;
    double number = 0.0;
    if (d->dataType == "integer") {
        const std::vector<std::string> *choices = choicesOf(*p, d->vid);
        bool found = false;
        if (choices) {
            for (size_t i = 0; i < choices->size(); ++i)
                if ((*choices)[i] == text) {
                    value = static_cast<int32_t>(i);
                    found = true;
                }
        }
        if (!found && control && control->ctrlClass == "iBoolean" && (text == "on" || text == "off")) {
            value = static_cast<int32_t>(text == "on" ? 1 : 0);
            found = true;
        }
        if (!found) {
            if (!parseNumber(text, "", number) || number != std::floor(number)) {
                error = "\"" + text + "\" is not a whole number or a choice of \"" + dataName + "\"";
                return false;
            }
            value = number;
        }
    } else if (d->dataType == "percent") {
        if (!parseNumber(text, "%", number)) {
            error = "\"" + text + "\" is not a number";
            return false;
        }
        // "50%" is a percentage; a bare number is the stored fraction.
        value = text.find('%') != std::string::npos ? number / 100.0 : number;
    } else if (d->dataType == "angle") {
        if (!parseNumber(text, "deg", number)) {
            error = "\"" + text + "\" is not a number";
            return false;
        }
        // "30deg" is in degrees; a bare number is the stored radians.
        value = text.find("deg") != std::string::npos ? number * 3.141592653589793 / 180.0 : number;
    } else {
        if (!parseNumber(text, "", number)) {
            error = "\"" + text + "\" is not a number";
            return false;
        }
        value = number;
    }
    if (!callSet(*p, *d, value)) {
        error = "the module did not accept \"" + text + "\" for \"" + dataName + "\"";
        return false;
    }
    return true;
}

bool xpanelEnabled(XPanelID panel, uint32_t cid) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    return p && enabled(*p, cid);
}

bool xpanelPress(XPanelID panel, uint32_t cid) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p || !enabled(*p, cid)) return false;
    auto it = p->buttonFuncs.find(cid);
    if (it == p->buttonFuncs.end()) return false;
    it->second(panel, static_cast<int>(cid));
    return true;
}

bool xpanelPopCmd(XPanelID panel, uint32_t cid, int entry) {
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    Panel *p = livePanel(s, panel);
    if (!p || !enabled(*p, cid)) return false;
    auto it = p->popCmdFuncs.find(cid);
    if (it == p->popCmdFuncs.end()) return false;
    const std::vector<std::string> *choices = choicesOf(*p, cid);
    if (entry < 0 || (choices && static_cast<size_t>(entry) >= choices->size())) return false;
    it->second(panel, static_cast<int>(cid), entry);
    return true;
}

}  // namespace minihost
