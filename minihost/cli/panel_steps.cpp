#include "minihost/cli/panel_steps.h"

#include <cstdlib>

#include "minihost/panels/xpanel_host.h"

namespace minihost::cli {

namespace {

// A label as a user names it: without the trailing " : ".
std::string plainLabel(std::string label) {
    while (!label.empty() && (label.back() == ' ' || label.back() == ':')) label.pop_back();
    return label;
}

// A control by label (with or without its trailing " : ") or by identifier
// (0x8007 or 32775), among the controls of one class.
const XPanelControlInfo *findControl(const XPanelRecord &rec, const std::string &name,
                                     const std::string &cls) {
    char *end = nullptr;
    const unsigned long id = std::strtoul(name.c_str(), &end, 0);
    const bool numeric = !name.empty() && end && *end == '\0';
    for (const auto &c : rec.controls) {
        if (c.ctrlClass != cls) continue;
        if ((numeric && c.cid == id) || c.label == name || plainLabel(c.label) == name) return &c;
    }
    return nullptr;
}

std::string knownControls(const XPanelRecord &rec, const std::string &cls) {
    std::string known;
    for (const auto &c : rec.controls)
        if (c.ctrlClass == cls) known += (known.empty() ? "\"" : ", \"") + plainLabel(c.label) + "\"";
    return known.empty() ? "none" : known;
}

const std::vector<std::string> *entriesOf(const XPanelRecord &rec, uint32_t cid) {
    for (const auto &c : rec.choices)
        if (c.first == cid) return &c.second;
    return nullptr;
}

bool press(XPanelID panel, const XPanelRecord &rec, const std::string &name, std::string &why) {
    const XPanelControlInfo *c = findControl(rec, name, "vButton");
    if (!c) {
        why = "no button \"" + name + "\" (buttons: " + knownControls(rec, "vButton") + ")";
        return false;
    }
    if (!xpanelEnabled(panel, c->cid)) {
        why = "\"" + plainLabel(c->label) + "\" is disabled";
        return false;
    }
    if (!xpanelPress(panel, c->cid)) {
        why = "\"" + plainLabel(c->label) + "\" has no action";
        return false;
    }
    return true;
}

bool choose(XPanelID panel, const XPanelRecord &rec, const std::string &text, std::string &why) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        why = "expected CONTROL=ENTRY";
        return false;
    }
    const std::string name = text.substr(0, eq), entry = text.substr(eq + 1);
    const XPanelControlInfo *c = findControl(rec, name, "vPopCmd");
    if (!c) {
        why = "no pop-up \"" + name + "\" (pop-ups: " + knownControls(rec, "vPopCmd") + ")";
        return false;
    }
    const std::vector<std::string> *entries = entriesOf(rec, c->cid);
    int index = -1;
    std::string listed;
    for (size_t i = 0; entries && i < entries->size(); ++i) {
        if ((*entries)[i] == entry || std::to_string(i) == entry) index = static_cast<int>(i);
        listed += (listed.empty() ? "\"" : ", \"") + (*entries)[i] + "\"";
    }
    if (index < 0) {
        why = "\"" + plainLabel(c->label) + "\" has no entry \"" + entry + "\" (entries: " + listed + ")";
        return false;
    }
    if (!xpanelPopCmd(panel, c->cid, index)) {
        why = "\"" + plainLabel(c->label) + "\" is disabled or has no command";
        return false;
    }
    return true;
}

}  // namespace

bool runPanelSteps(XPanelID panel, const std::vector<PanelStep> &steps, std::ostream &err) {
    for (const PanelStep &step : steps) {
        const auto rec = xpanelRecordOf(panel);
        if (!rec) return false;
        std::string why;
        bool done = false;
        const char *option = "--set";
        switch (step.kind) {
        case PanelStep::Kind::Set: {
            const auto eq = step.text.find('=');
            if (eq == std::string::npos)
                why = "expected NAME=VALUE";
            else
                done = xpanelSetFromText(panel, step.text.substr(0, eq), step.text.substr(eq + 1), why);
            break;
        }
        case PanelStep::Kind::Press:
            option = "--press";
            done = press(panel, *rec, step.text, why);
            break;
        case PanelStep::Kind::Choose:
            option = "--choose";
            done = choose(panel, *rec, step.text, why);
            break;
        }
        if (!done) {
            err << "minihost: " << option << " " << step.text << ": " << why << '\n';
            return false;
        }
    }
    return true;
}

}  // namespace minihost::cli
