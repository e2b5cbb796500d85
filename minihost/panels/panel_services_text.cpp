// A recorded panel printed as text, one line per control and per open, for
// test failure output and for looking at a dialog without a screen.
#include <sstream>

#include "minihost/panels/panel_services_host.h"
#include "minihost/panels/panel_services_values.h"

namespace minihost {
namespace {

std::string quoted(const std::string &s) {
    std::string out = "\"";
    for (char ch : s) {
        if (ch == '"' || ch == '\\') out += '\\';
        out += ch;
    }
    return out + "\"";
}

}  // namespace

std::string panelText(const RecordedPanel &panel) {
    std::ostringstream os;
    os << "panel " << quoted(panel.title) << (panel.destroyed ? " (destroyed)" : "") << "\n";
    for (size_t i = 0; i < panel.controls.size(); ++i) {
        const RecordedControl &c = panel.controls[i];
        os << "  [" << i << "] " << c.kind << " " << quoted(c.label) << " at (" << c.x << ", " << c.y << ")";
        if (c.descType == CTL_KIND_AREA) os << " size " << c.w << " x " << c.h;
        if (c.descType == CTL_KIND_FILE) os << " width " << c.descWidth;
        if (c.descType == CTL_KIND_CHOICE) {
            os << (c.vertical ? " vertical" : " horizontal") << " items";
            for (const std::string &item : c.items) os << " " << quoted(item);
        }
        ControlValue v = currentValue(c);
        if (v.type == VALUE_STRING)
            os << " value " << quoted(v.text);
        else if (v.type != VALUE_NONE)
            os << " value " << v.asText();
        os << "\n";
    }
    for (const RecordedOpen &o : panel.opens)
        os << "  opened with flags " << o.flags << ": " << (o.confirmed ? "confirmed" : "cancelled") << "\n";
    for (const std::string &e : panel.scriptErrors) os << "  script error: " << e << "\n";
    return os.str();
}

}  // namespace minihost
