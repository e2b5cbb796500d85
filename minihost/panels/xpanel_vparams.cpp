// The panel's colour and percent envelope controls: their value is the
// variant parameter that the module's get returns, read and set through the
// host's own variant-parameter service.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "host/item_services.h"
#include "host/variant_params.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/xpanel_state.h"

namespace minihost::xpanel_detail {

namespace {

const VParmFuncs *vparmService() {
    return static_cast<const VParmFuncs *>(registry().lookup(SERVICE_VPARM_FUNCS));
}

// The values are shown at the interface's current time, as a host shows them.
double interfaceTime() {
    const auto *info = static_cast<const InterfaceInfo *>(registry().lookup(SERVICE_INTERFACE_INFO));
    return info && info->currentTime ? info->currentTime() : 0.0;
}

std::string sixDigits(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

// Numbers separated by blanks or commas; a "%" after a number divides it by
// 100. False when anything else is there.
bool parseNumbers(const std::string &text, std::vector<double> &out) {
    const char *p = text.c_str();
    while (*p) {
        if (*p == ' ' || *p == ',') {
            ++p;
            continue;
        }
        char *end = nullptr;
        errno = 0;
        double v = std::strtod(p, &end);
        if (end == p || errno == ERANGE) return false;
        p = end;
        if (*p == '%') {
            v /= 100.0;
            ++p;
        }
        out.push_back(v);
    }
    return !out.empty();
}

}  // namespace

std::string vparamText(VParmID vp, const std::string &dataType) {
    const VParmFuncs *vpf = vparmService();
    if (!vpf || !vpf->getVal || !vp) return "(animated parameter)";
    double value[3] = {0, 0, 0};
    vpf->getVal(vp, interfaceTime(), nullptr, value);
    const bool animated = vpf->getState && (vpf->getState(vp) & VPSTATE_ENVELOPE) != 0;
    std::string text = dataType == "color-env" ? "(" + sixDigits(value[0]) + ", " + sixDigits(value[1]) +
                                                     ", " + sixDigits(value[2]) + ")"
                                               : sixDigits(value[0] * 100.0) + " %";
    return animated ? text + " (animated)" : text;
}

bool setVparamFromText(VParmID vp, const std::string &dataType, const std::string &text, std::string &error) {
    const VParmFuncs *vpf = vparmService();
    if (!vpf || !vpf->setVal || !vp) {
        error = "the host has no variant-parameter service for it";
        return false;
    }
    std::vector<double> numbers;
    const bool colour = dataType == "color-env";
    if (!parseNumbers(text, numbers) || numbers.size() != (colour ? 3u : 1u)) {
        error = "\"" + text + "\" is not " + (colour ? "three numbers (red green blue)" : "a number");
        return false;
    }
    const double value[3] = {numbers[0], colour ? numbers[1] : numbers[0], colour ? numbers[2] : numbers[0]};
    // A typed constant replaces any animation, as settings by key do.
    if (vpf->getState && vpf->setState) vpf->setState(vp, vpf->getState(vp) & ~VPSTATE_ENVELOPE);
    vpf->setVal(vp, value);
    return true;
}

}  // namespace minihost::xpanel_detail

namespace minihost {

std::optional<XPanelEnvelope> xpanelEnvelope(XPanelID panel, const std::string &dataName) {
    using namespace xpanel_detail;
    State &s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    const Panel *p = livePanel(s, panel);
    const XPanelDataInfo *d = p ? dataNamed(*p, dataName) : nullptr;
    const VParmFuncs *vpf = vparmService();
    if (!d || (d->dataType != "color-env" && d->dataType != "percent-env") || !vpf || !vpf->getVal)
        return std::nullopt;
    const auto current = readValue(*p, d->vid);
    const VParmID *vp = current ? std::get_if<VParmID>(&*current) : nullptr;
    if (!vp || !*vp) return std::nullopt;
    XPanelEnvelope out;
    vpf->getVal(*vp, interfaceTime(), nullptr, out.value);
    out.animated = vpf->getState && (vpf->getState(*vp) & VPSTATE_ENVELOPE) != 0;
    return out;
}

}  // namespace minihost
