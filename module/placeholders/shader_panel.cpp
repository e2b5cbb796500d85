// Placeholder: no shader panel until shader/ defines buildShaderPanel().
// Delete this file then.
#include "module/placeholders/placeholders.h"

namespace qr {

XPanelID buildShaderPanel(Instance) { return nullptr; }

}  // namespace qr
