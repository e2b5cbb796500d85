// The OBJ reader on any text: a sound mesh (every corner names a point,
// every point finite) or an error.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "minihost/files/input_error.h"
#include "minihost/scene/obj_mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    minihost::Mesh mesh;
    // Material files are looked for in a folder that has none.
    try {
        mesh = minihost::meshFromObjText(text, "/nonexistent", 1.0);
    } catch (const minihost::InputError &) {
        return 0;
    }
    if (!minihost::meshFault(mesh).empty()) std::abort();
    for (const auto &n : mesh.cornerNormals)
        if (!std::isfinite(n[0]) || !std::isfinite(n[1]) || !std::isfinite(n[2])) std::abort();
    return 0;
}
