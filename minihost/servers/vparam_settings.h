// Settings by key for variant parameters ("PVPR"): the value of such a
// parameter in saved data is a "VPRM" block holding the version 256, the
// parameter's own data (vparams/vparm_data.h) and one "VENV" block per
// animated channel (the first only, or all three). A scene setting replaces
// that content:
//   [r, g, b]  or  number                      constant colour or value
//   {"keys": [[frame, [r, g, b]], ...]}        every channel animated
//   {"keys": [[frame, number], ...]}
//   {"texture": {"layers": [...]}, "value": V}  a texture (texture_settings.h)
//                                               over the value V (either form
//                                               above; kept when not given)
// Frames are converted to seconds with the scene's frames per second.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "minihost/states/tree.h"

namespace minihost {

// Rewrites `vprm` (the "VPRM" block item) from `value`. Returns "" on
// success, else what is wrong, phrased to follow "setting \"lcol\" of X "
// (e.g. "is a colour: give [r, g, b] or ..."); `vprm` is then unchanged.
std::string setVparamSetting(StateItem &vprm, const nlohmann::json &value, double fps);

// True for the block a "PVPR" parameter holds.
bool isVparamBlock(const StateItem &item);

}  // namespace minihost
