#include "minihost/panels/panel_services_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace minihost {

ControlValue ControlValue::ofInt(int v) {
    ControlValue c;
    c.type = VALUE_INTEGER;
    c.i = v;
    return c;
}

ControlValue ControlValue::ofDouble(double v) {
    ControlValue c;
    c.type = VALUE_FLOAT;
    c.d = v;
    return c;
}

ControlValue ControlValue::ofText(std::string v) {
    ControlValue c;
    c.type = VALUE_STRING;
    c.text = std::move(v);
    return c;
}

ControlValue ControlValue::fromScript(const PanelScriptValue &v) {
    if (const double *d = std::get_if<double>(&v)) return ofDouble(*d);
    if (const int *i = std::get_if<int>(&v)) return ofInt(*i);
    return ofText(std::get<std::string>(v));
}

namespace {

int saturatingInt(double d) {
    if (std::isnan(d)) return 0;
    if (d >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (d <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(d);
}

double parseDouble(const std::string &s) {
    double d = 0.0;
    const char *b = s.data();
    while (b < s.data() + s.size() && *b == ' ') ++b;
    auto r = std::from_chars(b, s.data() + s.size(), d);
    return r.ec == std::errc() ? d : 0.0;
}

}  // namespace

int ControlValue::asInt() const {
    switch (type) {
    case VALUE_INTEGER: return i;
    case VALUE_FLOAT: return saturatingInt(d);
    case VALUE_STRING: return saturatingInt(parseDouble(text));
    default: return 0;
    }
}

double ControlValue::asDouble() const {
    switch (type) {
    case VALUE_INTEGER: return i;
    case VALUE_FLOAT: return d;
    case VALUE_STRING: return parseDouble(text);
    default: return 0.0;
    }
}

std::string ControlValue::asText() const {
    if (type == VALUE_STRING) return text;
    if (type == VALUE_INTEGER) return std::to_string(i);
    if (type == VALUE_FLOAT) {
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, d);
        return std::string(buf, r.ptr);
    }
    return std::string();
}

ControlValue readPanelValue(const PanelValue &value) {
    switch (value.type) {
    case VALUE_INTEGER: return ControlValue::ofInt(value.intv);
    case VALUE_FLOAT: return ControlValue::ofDouble(value.fltv);
    case VALUE_STRING:
        if (!value.buf || value.bufLen <= 0) return ControlValue::ofText(std::string());
        return ControlValue::ofText(
            std::string(value.buf, strnlen(value.buf, static_cast<size_t>(value.bufLen))));
    default: return ControlValue();
    }
}

void fillPanelValue(PanelValue &out, const ControlValue &v) {
    int want = out.type == VALUE_NONE ? v.type : out.type;
    switch (want) {
    case VALUE_INTEGER: out.intv = v.asInt(); break;
    case VALUE_FLOAT: out.fltv = v.asDouble(); break;
    case VALUE_STRING:
        if (out.buf && out.bufLen > 0) {
            std::string t = v.asText();
            size_t n = std::min(t.size(), static_cast<size_t>(out.bufLen) - 1);
            std::memcpy(out.buf, t.data(), n);
            out.buf[n] = '\0';
        }
        break;
    default: return;
    }
    out.type = want;
}

ControlValue currentValue(const RecordedControl &rc) {
    switch (rc.descType) {
    case CTL_KIND_FLOAT: return ControlValue::ofDouble(rc.floatValue);
    case CTL_KIND_BOOL:
    case CTL_KIND_CHOICE: return ControlValue::ofInt(rc.intValue);
    case CTL_KIND_FILE: return ControlValue::ofText(rc.stringValue);
    default: return ControlValue();
    }
}

bool storeValue(RecordedControl &rc, const ControlValue &v) {
    switch (rc.descType) {
    case CTL_KIND_FLOAT:
        if (!v.numeric()) return false;
        rc.floatValue = v.asDouble();
        return true;
    case CTL_KIND_BOOL:
    case CTL_KIND_CHOICE:
        if (!v.numeric()) return false;
        rc.intValue = v.asInt();
        return true;
    case CTL_KIND_FILE:
        if (v.type != VALUE_STRING) return false;
        rc.stringValue = v.text;
        return true;
    default: return false;
    }
}

}  // namespace minihost
