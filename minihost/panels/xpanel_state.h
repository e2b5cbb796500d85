// The headless "LWXPanel" service's own state, shared by its record functions,
// its test API and its printer.
#pragma once

#include <map>
#include <memory>
#include <mutex>
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

}  // namespace minihost::xpanel_detail
