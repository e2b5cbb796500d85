// Placeholder: the edge shader's callbacks until shader/ defines
// shaderCallbacks(). Delete this file then.
#include "module/edition.h"
#include "module/placeholders/placeholder_ops.h"

namespace qr {

namespace {
const char *describe(Instance) { return edition().shaderServer; }
void evaluate(Instance, ShaderAccess *) {}
unsigned int flags(Instance) { return edition().shaderFlags; }

constexpr ShaderCallbacks kCallbacks = {
    {placeholder::create, placeholder::destroy, placeholder::copy, placeholder::load,
     placeholder::save, describe},
    placeholder::kRender,
    evaluate,
    flags,
};
}  // namespace

const ShaderCallbacks &shaderCallbacks() { return kCallbacks; }

}  // namespace qr
