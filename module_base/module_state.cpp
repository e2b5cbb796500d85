#include "module_base/module_state.h"

namespace qr {

namespace {
// Constant-initialised (all zero) before any code of the module runs.
ModuleState state;
}  // namespace

ModuleState &moduleState() { return state; }

}  // namespace qr
