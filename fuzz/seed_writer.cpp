// Writes the seed corpora of the fuzz targets from valid data: the saved
// state of every instance of a scene with both editions, in both
// representations, and variant-parameter blocks with and without envelopes.
//   seed_writer OUT-DIR SCENE.json
// (fuzz/make-seeds.sh runs it; scene and mesh seeds are copied files.)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/host_types.h"
#include "host/io_state.h"
#include "host/variant_params.h"
#include "minihost/core/info_messages.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/vparams/envelope_service.h"
#include "minihost/vparams/vparm_service.h"

namespace fs = std::filesystem;

namespace {

void writeSeed(const fs::path &dir, const std::string &name, char selector, const std::string &bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << selector << bytes;
}

std::string vparamBlock(bool animated, int mode) {
    const VParmFuncs *vf = minihost::vparmFuncsRecord();
    const EnvelopeFuncs *ef = minihost::envelopeFuncsRecord();
    static const BlockIdent blocks[] = {{HOST_FOURCC('V', 'P', 'R', 'M'), "Vparam"},
                                        {HOST_FOURCC('V', 'E', 'N', 'V'), "VparamEnv"}};
    VParmID vp = vf->create(VPTYPE_COLOR, VPTEX_NONE);
    const double value[3] = {0.25, 0.5, 1};
    vf->setVal(vp, value);
    if (animated) vf->setState(vp, VPSTATE_ENVELOPE);
    EnvelopeID envs[3] = {nullptr, nullptr, nullptr};
    vf->getEnv(vp, envs);
    for (EnvelopeID env : envs)
        if (env) ef->createKey(env, 1.0, 0.75);
    minihost::MemorySaveState save(mode);
    const SaveState *ss = save.state();
    ss->beginBlock(ss->writeData, &blocks[0], 0);
    const int32_t version = 256;
    ss->writeI4(ss->writeData, &version, 1);
    vf->save(vp, ss);
    for (EnvelopeID env : envs) {
        if (!env) continue;
        ss->beginBlock(ss->writeData, &blocks[1], 0);
        ef->save(env, ss);
        ss->endBlock(ss->writeData);
    }
    ss->endBlock(ss->writeData);
    vf->destroy(vp);
    return save.bytes();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: seed_writer OUT-DIR SCENE.json\n");
        return 2;
    }
    const fs::path out = argv[1];
    minihost::setMessagesQuiet(true);
    minihost::installCoreServices();
    auto scene = minihost::loadScene(argv[2]);
    minihost::installSceneServices(*scene);
    minihost::ServerSet servers;
    servers.build(*scene);
    const auto &uses = servers.uses();
    for (size_t i = 0; i < uses.size(); ++i)
        for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
            minihost::MemorySaveState save(mode);
            uses[i]->handler->inst.save(uses[i]->instance, save.state());
            const std::string name = std::to_string(i) + (mode == IO_MODE_TEXT ? ".text" : ".binary");
            // plugin_state: instance index and representation in the first byte.
            writeSeed(out / "plugin_state", name, static_cast<char>((i << 1) | (mode == IO_MODE_TEXT)),
                      save.bytes());
            writeSeed(out / "load_states", name, static_cast<char>(mode == IO_MODE_TEXT), save.bytes());
        }
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT})
        for (bool animated : {false, true})
            writeSeed(out / "vparm_blocks",
                      std::string(animated ? "animated" : "constant") +
                          (mode == IO_MODE_TEXT ? ".text" : ".binary"),
                      static_cast<char>(mode == IO_MODE_TEXT), vparamBlock(animated, mode));
    minihost::removeSceneServices();
    return 0;
}
