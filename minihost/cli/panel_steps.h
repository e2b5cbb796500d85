// What `minihost panel` does to a panel before showing it, as a user would:
// set values, press buttons and choose pop-up entries, in the order given.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/xpanel.h"

namespace minihost::cli {

struct PanelStep {
    enum class Kind { Set, Press, Choose } kind = Kind::Set;
    std::string text;  // NAME=VALUE, CONTROL, or CONTROL=ENTRY
};

// Runs the steps in order; stops at the first that cannot be done, printing
// why, and returns false.
bool runPanelSteps(XPanelID panel, const std::vector<PanelStep> &steps, std::ostream &err);

}  // namespace minihost::cli
