#include "minihost/servers/active_handler.h"

#include "minihost/core/loader.h"

namespace minihost {

int ActiveHandler::activate(LoadedModule &from, const std::string &cls, const std::string &server) {
    module = &from;
    className = cls;
    name = server;
    shader = ShaderHandler{&inst, &item, &rend, nullptr, nullptr};
    pixel = PixelFilterHandler{&inst, &item, &rend, nullptr, nullptr};
    image = ImageFilterHandler{&inst, &item, nullptr, nullptr};
    void *local = cls == CLASS_SHADER_HANDLER         ? static_cast<void *>(&shader)
                  : cls == CLASS_PIXEL_FILTER_HANDLER ? static_cast<void *>(&pixel)
                  : cls == CLASS_IMAGE_FILTER_HANDLER ? static_cast<void *>(&image)
                                                      : nullptr;
    if (!local) return -1;
    return from.activate(cls, server, HANDLER_VERSION, local);
}

}  // namespace minihost
