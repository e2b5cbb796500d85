// The scene reader on any text: it either builds a scene or throws its one
// error, naming the file and the position.
#include <cstddef>
#include <cstdint>
#include <string>

#include "minihost/files/input_error.h"
#include "minihost/scene/scene_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    try {
        minihost::loadSceneText(text, "fuzz.json");
    } catch (const minihost::InputError &) {
    }
    return 0;
}
