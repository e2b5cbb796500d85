// Values of the headless panel services: the conversions between the host's
// value records, a control's stored value and a script's value.
#pragma once

#include <string>

#include "minihost/panels/panel_services_host.h"

namespace minihost {

struct ControlValue {
    int type = VALUE_NONE;  // VALUE_...
    int i = 0;
    double d = 0.0;
    std::string text;

    static ControlValue ofInt(int v);
    static ControlValue ofDouble(double v);
    static ControlValue ofText(std::string v);
    static ControlValue fromScript(const PanelScriptValue &v);

    // Conversions; a double outside the int range saturates, NaN gives 0,
    // text that is no number gives 0.
    int asInt() const;
    double asDouble() const;
    std::string asText() const;
    bool numeric() const { return type == VALUE_INTEGER || type == VALUE_FLOAT; }
};

// What the module passed; a string is read no further than its bufLen.
ControlValue readPanelValue(const PanelValue &value);
// Answers a get: in the type the module asked for (the value's own type when
// it asked for VALUE_NONE); a string is copied bounded by bufLen.
void fillPanelValue(PanelValue &out, const ControlValue &v);

// The control's value in its own type (VALUE_NONE for an AreaControl).
ControlValue currentValue(const RecordedControl &rc);
// Stores v as the control's value; false when the control's kind cannot take
// it (a string for a number, anything for an AreaControl).
bool storeValue(RecordedControl &rc, const ControlValue &v);

}  // namespace minihost
