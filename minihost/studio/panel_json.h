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
// "type", "value", "animated", "textured", "enabled", "choices", "action",
// "range"}], "groups": [{"id", "label", "members"}], "tabs": [{"id",
// "pages"}]}; null for a panel the service does not know.
nlohmann::json xpanelJson(XPanelID panel);

// {"kind": "dialog", "title", "controls": [{"index", "kind", "label",
// "items", "value", "range", "x", "y", "width", "height"}]}. File names are
// shown relative to `files` when they lie in it.
nlohmann::json dialogJson(const RecordedPanel &dialog, const ConfinedFolder &files);

// A label as a user reads it, without the trailing " : ".
std::string plainLabel(const std::string &label);

// The range a value is advised to keep, as stored: the one its label gives
// ("[0-1]", "[0-n]": {"min": 0, "max": 1 or null, "labelled": true}), or for
// a percentage without one the studio's own 0 to 1000 % ({"min": 0, "max":
// 10, "labelled": false}); null when there is none. Values outside are
// stored all the same (the modules do not clamp); the page asks first.
nlohmann::json advisedRange(const std::string &label, const std::string &kind);

}  // namespace minihost::studio
