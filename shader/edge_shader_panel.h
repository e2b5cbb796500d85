// The edge shader's "LWXPanel" panel, both editions: the surface's line
// settings bound to the instance through get and set, and three actions --
// "Find unused ID", "Get global settings" and the "Preset" pop-up (load and
// save the instance's settings as a preset file).
#pragma once

#include "host/handler.h"
#include "host/xpanel.h"

namespace qr {

// Control identifiers; the value controls double as data identifiers.
enum : uint32_t {
    kShaderLineColor = 0x8001,
    kShaderSecond = 0x8002,
    kShaderMatId = 0x8003,
    kShaderOverride = 0x8004,
    kShaderNormErr = 0x8005,
    kShaderDistErr = 0x8006,
    kShaderFindUnusedId = 0x8007,
    kShaderGetGlobal = 0x8008,
    kShaderPreset = 0x8009,
};

// The panel for an instance, or null when the host has no panel service or
// cannot make one. Uses the panel service the interface activation stored
// just before.
XPanelID buildShaderPanel(Instance inst);

// The panel's actions, as the host calls them (each finds its instance as
// the panel's user data).
void findUnusedIdButton(XPanelID panel, int cid);
void getGlobalSettingsButton(XPanelID panel, int cid);
// Entry 0 loads a preset into the instance, any other saves it.
void presetPopup(XPanelID panel, int cid, int entry);

}  // namespace qr
