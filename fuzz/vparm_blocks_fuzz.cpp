// "VPRM" blocks with their "VENV" envelope blocks, read as a module's variant
// parameter reads them, through minihost's variant-parameter and envelope
// services, in either representation (the first byte picks it).
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/host_types.h"
#include "host/io_state.h"
#include "host/variant_params.h"
#include "minihost/states/memory_states.h"
#include "minihost/vparams/envelope_service.h"
#include "minihost/vparams/vparm_service.h"

namespace {

const BlockIdent kBlocks[] = {{HOST_FOURCC('V', 'P', 'R', 'M'), "Vparam"},
                              {HOST_FOURCC('V', 'E', 'N', 'V'), "VparamEnv"},
                              {0, nullptr}};

void loadBlock(VParmID vp, const LoadState *ls) {
    const VParmFuncs *vf = minihost::vparmFuncsRecord();
    const EnvelopeFuncs *ef = minihost::envelopeFuncsRecord();
    int32_t version = 0;
    if (ls->findBlock(ls->readData, kBlocks) == kBlocks[0].id && ls->readI4(ls->readData, &version, 1) == 1 &&
        version == 256) {
        vf->load(vp, ls);
        EnvelopeID envs[3] = {nullptr, nullptr, nullptr};
        vf->getEnv(vp, envs);
        for (EnvelopeID env : envs) {
            if (!env) continue;
            if (ls->findBlock(ls->readData, kBlocks) == kBlocks[1].id) ef->load(env, ls);
            ls->endBlock(ls->readData);
        }
    }
    ls->endBlock(ls->readData);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const int mode = data[0] & 1 ? IO_MODE_TEXT : IO_MODE_BINARY;
    const VParmFuncs *vf = minihost::vparmFuncsRecord();
    // A colour (three channels, each with its envelope) and a scalar.
    for (int type : {VPTYPE_COLOR, VPTYPE_PERCENT}) {
        VParmID vp = vf->create(type, VPTEX_NONE);
        minihost::MemoryLoadState load(mode, std::string(reinterpret_cast<const char *>(data + 1), size - 1));
        loadBlock(vp, load.state());
        double value[3] = {0, 0, 0};
        vf->getVal(vp, 0.5, nullptr, value);
        minihost::MemorySaveState save(mode);
        vf->save(vp, save.state());
        vf->destroy(vp);
    }
    return 0;
}
