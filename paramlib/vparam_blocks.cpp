// A variant parameter's "VPRM" block: the version, the host parameter's own
// data, a "VENV" block for each animated channel, and for a textured
// parameter its texture's image blocks.
#include "paramlib/param_block.h"
#include "paramlib/vparam.h"
#include "paramlib/vparam_services.h"
#include "texlib/image_blocks.h"

namespace qr {

namespace {

constexpr BlockIdent kVparamIdents[] = {
    {SETTINGS_VPARAM_BLOCK, SETTINGS_VPARAM_BLOCK_TOKEN},
    {SETTINGS_VPARAM_ENVELOPE, SETTINGS_VPARAM_ENVELOPE_TOKEN},
    {0, nullptr},
};

// The channel envelopes the service reports; those it does not report stay null.
struct ChannelEnvelopes {
    EnvelopeID env[3] = {nullptr, nullptr, nullptr};
};

ChannelEnvelopes envelopesOf(VParmID vp) {
    ChannelEnvelopes e;
    const VparamServices &s = vparamServices();
    if (vp && s.vparm && s.vparm->getEnv) s.vparm->getEnv(vp, e.env);
    return e;
}

// The first envelope alone, then the second and third only as a pair.
int envelopesToStore(const ChannelEnvelopes &e, EnvelopeID out[3]) {
    int n = 0;
    if (e.env[0]) out[n++] = e.env[0];
    if (e.env[1] && e.env[2]) {
        out[n++] = e.env[1];
        out[n++] = e.env[2];
    }
    return n;
}

bool textured(VParmID vp) {
    const VparamServices &s = vparamServices();
    return vp && s.vparm && s.vparm->getState && (s.vparm->getState(vp) & VPSTATE_TEXTURE) != 0;
}

TextureID textureOf(VParmID vp) {
    const VparamServices &s = vparamServices();
    return (vp && s.vparm && s.vparm->getTex) ? s.vparm->getTex(vp) : nullptr;
}

}  // namespace

void Vparam::save(const SaveState *ss) const {
    if (!ss || !ss->beginBlock || !ss->endBlock || !ss->writeI4) return;
    const VparamServices &s = vparamServices();
    ss->beginBlock(ss->writeData, &kVparamIdents[0], 0);
    const int32_t version = SETTINGS_VERSION;
    ss->writeI4(ss->writeData, &version, 1);
    if (hostParam_ && s.vparm && s.vparm->save) s.vparm->save(hostParam_, ss);
    EnvelopeID stored[3];
    const int n = envelopesToStore(envelopesOf(hostParam_), stored);
    for (int i = 0; i < n; ++i) {
        ss->beginBlock(ss->writeData, &kVparamIdents[1], 0);
        if (s.envelopes && s.envelopes->save) s.envelopes->save(stored[i], ss);
        ss->endBlock(ss->writeData);
    }
    if (textured(hostParam_)) {
        const TextureID tex = textureOf(hostParam_);
        writeImageEnvelopes(tex, ss);
        writeImageReferences(tex, ss);
    }
    ss->endBlock(ss->writeData);
}

void Vparam::load(const LoadState *ls) {
    if (!ls || !ls->findBlock || !ls->endBlock || !ls->readI4) return;
    const VparamServices &s = vparamServices();
    if (ls->findBlock(ls->readData, kVparamIdents) != SETTINGS_VPARAM_BLOCK) {
        ls->endBlock(ls->readData);
        return;
    }
    int32_t version = 0;
    ls->readI4(ls->readData, &version, 1);
    if (version != SETTINGS_VERSION) {
        ls->endBlock(ls->readData);
        return;
    }
    if (hostParam_ && s.vparm && s.vparm->load) s.vparm->load(hostParam_, ls);
    EnvelopeID stored[3];
    const int n = envelopesToStore(envelopesOf(hostParam_), stored);
    for (int i = 0; i < n; ++i) {
        if (ls->findBlock(ls->readData, kVparamIdents) == SETTINGS_VPARAM_ENVELOPE && s.envelopes &&
            s.envelopes->load)
            s.envelopes->load(stored[i], ls);
        ls->endBlock(ls->readData);
    }
    if (textured(hostParam_)) {
        const TextureID tex = textureOf(hostParam_);
        readImageEnvelopes(tex, ls);
        readImageReferences(tex, ls);
    }
    ls->endBlock(ls->readData);
}

}  // namespace qr
