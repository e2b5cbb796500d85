// A whole saved plug-in state loaded into the instances a scene makes of each
// edition's servers: the edge shader and TraceStep1 of the stroke edition,
// the edge shader and the line tracer of the line edition. The first byte
// picks the instance and the representation; the instance then saves itself
// again, and gets its earlier settings back for the next input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/handler.h"
#include "host/io_state.h"
#include "minihost/core/info_messages.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/memory_states.h"

#ifndef QR_FUZZ_MODULE_DIR
#error "QR_FUZZ_MODULE_DIR names the folder of the built modules"
#endif

namespace {

std::string sceneText() {
    const std::string dir = QR_FUZZ_MODULE_DIR;
    return R"({"render": {"width": 4, "height": 4}, "camera": {"position": [0, 0, -5]},
      "modules": [")" +
           dir + R"(/QM_Quillrim_S.so", ")" + dir + R"(/QM_Quillrim_P.so"],
      "objects": [{"name": "Ball", "primitive": {"type": "sphere", "surface": "Paint"},
        "surfaces": {"Paint": {"shaders": ["QM_Quillrim_S:Shader", "QM_Quillrim_P:Shader"]}}}],
      "pixel_filters": ["QM_Quillrim_S:TraceStep1", "QM_Quillrim_P:Tracer"],
      "image_filters": ["QM_Quillrim_S:TraceStep2"]})";
}

struct Host {
    std::unique_ptr<minihost::Scene> scene;
    minihost::ServerSet servers;
    Host() {
        minihost::setMessagesQuiet(true);
        minihost::installCoreServices();
        scene = minihost::loadSceneText(sceneText(), QR_FUZZ_MODULE_DIR "/fuzz.json");
        minihost::installSceneServices(*scene);
        servers.build(*scene);
        if (servers.uses().size() != 5) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Host host;
    if (size == 0) return 0;
    const minihost::LiveUse &use = *host.servers.uses()[(data[0] >> 1) % host.servers.uses().size()];
    const InstanceFuncs &funcs = use.handler->inst;
    const int mode = data[0] & 1 ? IO_MODE_TEXT : IO_MODE_BINARY;
    // What the instance held before, to put back afterwards.
    minihost::MemorySaveState before(IO_MODE_BINARY);
    funcs.save(use.instance, before.state());
    minihost::MemoryLoadState load(mode, std::string(reinterpret_cast<const char *>(data + 1), size - 1));
    funcs.load(use.instance, load.state());
    minihost::MemorySaveState after(mode);
    funcs.save(use.instance, after.state());
    minihost::MemoryLoadState restore(IO_MODE_BINARY, before.bytes());
    funcs.load(use.instance, restore.state());
    return 0;
}
