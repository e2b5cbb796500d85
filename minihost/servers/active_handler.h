// One handler server activated by minihost: which server it is, the module it
// came from and the records its activation filled. The scene's server
// instances and the panel command both activate handlers into this record.
#pragma once

#include <string>

#include "host/handler.h"
#include "host/module_descriptor.h"

namespace minihost {

class LoadedModule;

struct ActiveHandler {
    LoadedModule *module = nullptr;
    std::string className, name;
    InstanceFuncs inst{};
    ItemFuncs item{};
    RenderFuncs rend{};
    // The class's own record; the module fills the one of its class, whose
    // inst, item and rend point at the records above.
    ShaderHandler shader{};
    PixelFilterHandler pixel{};
    ImageFilterHandler image{};

    ActiveHandler() = default;
    // The class records point into the object itself, so it stays in place.
    ActiveHandler(const ActiveHandler &) = delete;
    ActiveHandler &operator=(const ActiveHandler &) = delete;

    // Activates the handler server `server` of class `cls` from `from` into
    // these records. The module's result, or -1 without asking the module
    // when `cls` is none of the shader, pixel filter and image filter classes.
    int activate(LoadedModule &from, const std::string &cls, const std::string &server);

    // Image filters have no render operations.
    bool hasRender() const { return className != CLASS_IMAGE_FILTER_HANDLER; }
};

}  // namespace minihost
