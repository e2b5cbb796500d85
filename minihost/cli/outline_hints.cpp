#include "minihost/cli/outline_hints.h"

namespace minihost::cli {

namespace {

// The tracer's servers of each edition's module, by the filter list they go in.
struct Tracer {
    const char *module;
    const char *pixel;
    const char *image;  // "" when the tracer is one pixel filter
};
constexpr Tracer kTracers[] = {{"QM_Quillrim_S", "TraceStep1", "TraceStep2"},
                               {"QM_Quillrim_P", "Tracer", ""}};

}  // namespace

std::vector<std::string> outlineHints(const Scene &scene) {
    std::vector<std::string> hints;
    for (const Tracer &t : kTracers) {
        const std::string module = t.module;
        bool shader = false, pixel = false, image = false;
        for (const SceneSurface *s : scene.allSurfaces())
            for (const ServerUse &u : s->shaders) shader = shader || u.server == module + ":Shader";
        for (const ServerUse &u : scene.pixelFilters) pixel = pixel || u.server == module + ":" + t.pixel;
        for (const ServerUse &u : scene.imageFilters) image = image || u.server == module + ":" + t.image;
        const bool tracer = pixel && (image || !*t.image);
        const std::string shaderName = "\"" + module + ":Shader\"";
        if (shader && !tracer) {
            std::string add;
            if (!pixel) add += "\"" + module + ":" + t.pixel + "\" to \"pixel_filters\"";
            if (*t.image && !image)
                add += std::string(add.empty() ? "" : " and ") + "\"" + module + ":" + t.image +
                       "\" to \"image_filters\"";
            hints.push_back("surfaces have " + shaderName +
                            " but the tracer that draws its outlines is missing: add " + add);
        } else if (!shader && (pixel || image)) {
            hints.push_back("the scene has the tracer of " + module + " but no surface has " + shaderName +
                            ", so nothing gets outlines: add " + shaderName +
                            " to the \"shaders\" of the surfaces to outline (minihost shader-util does)");
        }
    }
    return hints;
}

}  // namespace minihost::cli
