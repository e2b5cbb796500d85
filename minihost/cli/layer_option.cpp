#include "minihost/cli/layer_option.h"

#include <ostream>

#include "minihost/render/image_files.h"

namespace minihost::cli {

bool chooseLayers(const std::string &list, const std::string &output, LayerChoice &choice,
                  std::ostream &err) {
    choice = {};
    if (list.empty()) return true;
    std::string error;
    if (!parseLayerChoice(list, choice, error)) {
        err << "minihost: --layers: " << error << '\n';
        return false;
    }
    if (imageFormatOf(output) != ImageFormat::Exr) {
        err << "minihost: --layers: " << output << ": only OpenEXR files (.exr) hold layers\n";
        return false;
    }
    return true;
}

}  // namespace minihost::cli
