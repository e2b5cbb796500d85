// Writes and reads a "VPRM" block the way a module's variant parameter does
// (version 256, the host parameter's data, then "VENV" blocks for the first
// envelope and for the second and third as a pair), through minihost's own
// services, for the variant-parameter tests.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_types.h"
#include "host/io_state.h"
#include "host/variant_params.h"
#include "minihost/states/memory_states.h"
#include "minihost/vparams/envelope_service.h"
#include "minihost/vparams/vparm_service.h"

namespace vparm_test {

inline const BlockIdent kVparamBlocks[] = {{HOST_FOURCC('V', 'P', 'R', 'M'), "Vparam"},
                                           {HOST_FOURCC('V', 'E', 'N', 'V'), "VparamEnv"},
                                           {0, nullptr}};

inline void saveVparamBlock(VParmID vp, const SaveState *ss) {
    const VParmFuncs *vf = minihost::vparmFuncsRecord();
    const EnvelopeFuncs *ef = minihost::envelopeFuncsRecord();
    ss->beginBlock(ss->writeData, &kVparamBlocks[0], 0);
    const int32_t version = 256;
    ss->writeI4(ss->writeData, &version, 1);
    vf->save(vp, ss);
    EnvelopeID envs[3] = {nullptr, nullptr, nullptr};
    vf->getEnv(vp, envs);
    auto venv = [&](EnvelopeID env) {
        ss->beginBlock(ss->writeData, &kVparamBlocks[1], 0);
        ef->save(env, ss);
        ss->endBlock(ss->writeData);
    };
    if (envs[0]) venv(envs[0]);
    if (envs[1] && envs[2]) {
        venv(envs[1]);
        venv(envs[2]);
    }
    ss->endBlock(ss->writeData);
}

inline std::string savedVparamBlock(VParmID vp, int ioMode) {
    minihost::MemorySaveState save(ioMode);
    saveVparamBlock(vp, save.state());
    return save.bytes();
}

// False when the block is not there or its version is not 256.
inline bool loadVparamBlock(VParmID vp, const LoadState *ls) {
    const VParmFuncs *vf = minihost::vparmFuncsRecord();
    const EnvelopeFuncs *ef = minihost::envelopeFuncsRecord();
    if (ls->findBlock(ls->readData, kVparamBlocks) != kVparamBlocks[0].id) {
        ls->endBlock(ls->readData);
        return false;
    }
    int32_t version = 0;
    ls->readI4(ls->readData, &version, 1);
    if (version != 256) {
        ls->endBlock(ls->readData);
        return false;
    }
    vf->load(vp, ls);
    EnvelopeID envs[3] = {nullptr, nullptr, nullptr};
    vf->getEnv(vp, envs);
    auto venv = [&](EnvelopeID env) {
        if (ls->findBlock(ls->readData, kVparamBlocks) == kVparamBlocks[1].id) ef->load(env, ls);
        ls->endBlock(ls->readData);
    };
    if (envs[0]) venv(envs[0]);
    if (envs[1] && envs[2]) {
        venv(envs[1]);
        venv(envs[2]);
    }
    ls->endBlock(ls->readData);
    return true;
}

inline bool loadVparamBlock(VParmID vp, int ioMode, const std::string &bytes) {
    minihost::MemoryLoadState load(ioMode, bytes);
    return loadVparamBlock(vp, load.state());
}

}  // namespace vparm_test
