// The headless "LWXPanel" service's own state, shared by its record functions,
// its test API and its printer.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "minihost/panels/xpanel_host.h"

namespace minihost::xpanel_detail {

struct Panel {
    XPanelRecord rec;
    XPanelGetFunc *get = nullptr;
    XPanelSetFunc *set = nullptr;
    std::map<uint32_t, XPanelButtonFunc *> buttonFuncs;
    std::map<uint32_t, XPanelPopCmdFunc *> popCmdFuncs;
    std::map<uint32_t, void *> controlData;
};

struct State {
    // Recursive: a module's button callback may call back into the service
    // (refresh, getData) while the service is running it.
    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<Panel>> panels;
    bool createFails = false;
};

State &state();

// The panel behind a handle this service gave out, destroyed or not; null for
// any other pointer.
Panel *knownPanel(State &s, XPanelID id);
// The same, null once destroyed.
Panel *livePanel(State &s, XPanelID id);

const XPanelControlInfo *controlOf(const Panel &p, uint32_t cid);
const XPanelDataInfo *dataOf(const Panel &p, uint32_t vid);
const XPanelDataInfo *dataNamed(const Panel &p, const std::string &name);
const std::vector<std::string> *choicesOf(const Panel &p, uint32_t cid);

// The value of data `vid` through the module's get callback.
std::optional<XPanelValue> readValue(const Panel &p, uint32_t vid);
bool enabled(const Panel &p, uint32_t cid, int depth = 0);

// A colour or percent envelope control's value, through the host's
// variant-parameter service: "(r, g, b)" or "84 %", with " (animated)" when
// it has envelopes.
std::string vparamText(VParmID vp, const std::string &dataType);
// Sets it to a constant from text ("0.1 0.2 0.9", "50%", "0.5"); false with
// `error` set when the text does not fit or there is no service.
bool setVparamFromText(VParmID vp, const std::string &dataType, const std::string &text, std::string &error);

}  // namespace minihost::xpanel_detail
