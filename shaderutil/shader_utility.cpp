#include "shaderutil/shader_utility.h"

namespace qr {

void runShaderUtility(GlobalFunc *global, LayoutGeneric *generic) {
    if (!generic || !generic->evaluate) return;
    UtilityChoice choice;
    if (!askUtilityChoice(global, choice)) return;  // cancelled: nothing changes
    if (choice.target == UtilityTarget::Selected) {
        // An empty list is still a filter: no object matches it.
        const std::vector<std::string> files = selectedObjectFiles();
        runSurfacePass(*generic, choice.action, &files);
    } else {
        runSurfacePass(*generic, choice.action, nullptr);
    }
}

}  // namespace qr
