// Placeholder: the shader utility does nothing after acquiring the services
// until shaderutil/ defines runShaderUtility(). Delete this file then.
#include "module/placeholders/placeholders.h"

namespace qr {

void runShaderUtility(GlobalFunc *, LayoutGeneric *) {}

}  // namespace qr
