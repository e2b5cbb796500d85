// minihost's headless "LWXPanel".
//
// A module describes a panel (controls, data descriptions, hints) and binds it
// to an instance through get and set callbacks. Nobody looks at minihost's
// screen, so the service records the description and lets tests and commands
// act as the user would: read and write values by data name through the
// module's callbacks, evaluate enable maps, press buttons, run pop-up commands
// and print the panel as text (tabs, groups, labels, values, enabled or not).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/xpanel.h"

namespace minihost {

// A value as the panel's data type holds it: a double for "float", "percent"
// and "angle"; a 32-bit integer for "integer"; the variant parameter itself
// for "color-env" and "percent-env".
using XPanelValue = std::variant<double, int32_t, VParmID>;

struct XPanelControlInfo {
    uint32_t cid = 0;
    std::string label;
    std::string ctrlClass;
};

struct XPanelDataInfo {
    uint32_t vid = 0;
    std::string name;
    std::string dataType;
};

struct XPanelGroupInfo {
    uint32_t id = 0;
    std::string label;              // empty when the group has no label hint
    std::vector<uint32_t> members;  // controls or groups
};

struct XPanelTabsInfo {
    uint32_t id = 0;
    std::vector<uint32_t> pages;  // groups, one page each
};

struct XPanelEnableMap {
    uint32_t controlled = 0;
    uint32_t controlling = 0;
    std::vector<int> map;  // enable flag per value of the controller
};

// Everything a module told the service about one panel.
struct XPanelRecord {
    int type = 0;  // XPANEL_VIEW or XPANEL_FORM
    std::string title;
    std::vector<XPanelControlInfo> controls;
    std::vector<XPanelDataInfo> data;
    std::vector<XPanelGroupInfo> groups;
    std::vector<XPanelTabsInfo> tabs;
    std::vector<XPanelEnableMap> enableMaps;
    std::vector<std::pair<uint32_t, std::vector<std::string>>> choices;  // strlist hints
    std::vector<uint32_t> buttons;                                       // controls with a button callback
    std::vector<uint32_t> popCmds;  // controls with a pop-up command callback
    bool described = false;         // describe was called
    void *instance = nullptr;       // from viewInst
    void *userData = nullptr;       // setData(panel, 0, ...)
    int refreshes = 0;              // viewRefresh calls
    bool destroyed = false;
};

// The service record handed to modules.
XPanelFuncs *xpanelRecord();
// Puts the record into the registry under "LWXPanel".
void installXPanelService();
// While set, every create returns null (to reach a module's fallback).
void setXPanelCreateFails(bool fail);

// Panels made since the last clear, oldest first; null when none.
std::vector<XPanelID> xpanels();
XPanelID lastXPanel();
// A copy of what the module described; nullopt for an unknown handle.
std::optional<XPanelRecord> xpanelRecordOf(XPanelID panel);
// Destroys every panel and forgets them; handles given out become invalid.
void clearXPanels();

// The value behind a data name, read through the module's get callback;
// nullopt when the name is unknown, the panel has no instance or get gives
// null.
std::optional<XPanelValue> xpanelValue(XPanelID panel, const std::string &dataName);
// Hands the value to the module's set callback, converting numbers to the
// data type; true when the module reported that it handled it.
bool xpanelSet(XPanelID panel, const std::string &dataName, XPanelValue value);
// Sets a value from text, as a user types it: a number, "on"/"off" for
// booleans, or a choice's entry text. False when the text does not fit or the
// module refused the value; `error` then says why.
bool xpanelSetFromText(XPanelID panel, const std::string &dataName, const std::string &text,
                       std::string &error);
// A colour or percent envelope's value at the interface's current time (a
// percent fills value[0] only) and whether envelopes animate it; nullopt when
// the data is not an envelope or the host has no variant-parameter service.
struct XPanelEnvelope {
    double value[3] = {0, 0, 0};
    bool animated = false;
};
std::optional<XPanelEnvelope> xpanelEnvelope(XPanelID panel, const std::string &dataName);
// Whether the control may be edited: every enable map on it enables it for
// its controller's current value (clamped to the map), and its controller is
// itself enabled. A control without a map is enabled.
bool xpanelEnabled(XPanelID panel, uint32_t cid);
// Runs a button's callback; false when the control has none or is disabled.
bool xpanelPress(XPanelID panel, uint32_t cid);
// Runs a pop-up command with the chosen entry; false when the control has no
// command, is disabled or the entry is not one of its choices.
bool xpanelPopCmd(XPanelID panel, uint32_t cid, int entry);

// The panel as text: the title, then each tab with its groups and controls
// (one line per control: identifier, label, value, and "(disabled)" where an
// enable map turns it off), then the controls that no tab or group holds.
std::string xpanelText(XPanelID panel);

}  // namespace minihost
