// Panels as the page draws them. Both kinds of panel that modules build are
// turned into JSON from what the headless services recorded, with nothing
// particular to any server: an "LWXPanel" panel with its controls, values,
// enable states, groups and tabs; an "LWPanelServices" dialog with its
// controls in the order added and the values the module put into them.
#pragma once

#include <nlohmann/json.hpp>

#include "host/xpanel.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/studio/confined_paths.h"

namespace minihost::studio {

// {"kind": "xpanel", "title", "controls": [{"id", "label", "class", "data",
// "type", "value", "animated", "enabled", "choices", "action"}], "groups":
// [{"id", "label", "members"}], "tabs": [{"id", "pages"}]}; null for a panel
// the service does not know.
nlohmann::json xpanelJson(XPanelID panel);

// {"kind": "dialog", "title", "controls": [{"index", "kind", "label",
// "items", "value", "x", "y", "width", "height"}]}. File names are shown
// relative to `files` when they lie in it.
nlohmann::json dialogJson(const RecordedPanel &dialog, const ConfinedFolder &files);

}  // namespace minihost::studio
