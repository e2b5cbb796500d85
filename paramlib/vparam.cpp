// Variant parameters: construction, texture events and the per-frame texture
// calls. Saving and loading are in vparam_blocks.cpp.
#include "paramlib/vparam.h"

#include <cstdio>
#include <mutex>
#include <set>

#include "module_base/callback_guard.h"
#include "paramlib/vparam_services.h"
#include "texlib/shader_texture_support.h"
#include "texlib/texture_context.h"

namespace qr {

namespace {

// Colour channel names end in 8 hex digits. An address does not fit them on
// this machine, so each live Vparam takes a number no other live one has.
std::mutex gSuffixMutex;
std::set<uint32_t> gSuffixesInUse;
uint32_t gNextSuffix = 1;

uint32_t takeSuffix() {
    std::lock_guard<std::mutex> guard(gSuffixMutex);
    try {
        while (gSuffixesInUse.count(gNextSuffix) || gNextSuffix == 0) ++gNextSuffix;
        gSuffixesInUse.insert(gNextSuffix);
    } catch (...) {
    }
    return gNextSuffix++;
}

void releaseSuffix(uint32_t suffix) {
    std::lock_guard<std::mutex> guard(gSuffixMutex);
    gSuffixesInUse.erase(suffix);
}

constexpr int kChannelNameSize = 256;

int textureEvent(TextureID, void *userData, int event, void *eventData) {
    auto *vp = static_cast<Vparam *>(userData);
    if (!vp) return 1;
    if (event == TXEVENT_BBOX && eventData) {
        auto *box = static_cast<double *>(eventData);
        if (vp->ownerContext()) {
            surfaceBoundingBox(static_cast<SurfaceID>(vp->ownerContext()), box);
        } else {
            for (int a = 0; a < 3; ++a) {
                box[2 * a] = -0.5;
                box[2 * a + 1] = 0.5;
            }
        }
    } else if (event == TXEVENT_ENVGROUP) {
        const VparamServices &s = vparamServices();
        TextureID tex =
            (s.vparm && s.vparm->getTex && vp->hostParam()) ? s.vparm->getTex(vp->hostParam()) : nullptr;
        if (vp->envelopeGroup() && tex && s.textures && s.textures->setEnvGroup)
            s.textures->setEnvGroup(tex, vp->envelopeGroup());
    }
    return 1;
}

// Texture events are answered with 1 whatever happened.
int answerTextureEvent(TextureID, void *, int, void *) noexcept { return 1; }

}  // namespace

void Vparam::construct(const char *name, int valueType, int textureType, ChanGroupID group,
                       const char *pluginName, void *ownerContext) {
    acquireVparamServices();
    valueType_ = valueType;
    textureType_ = textureType;
    envelopeGroup_ = group;
    ownerContext_ = ownerContext;
    const VparamServices &s = vparamServices();
    if (!s.vparm || !s.vparm->create || hostParam_) return;
    hostParam_ = s.vparm->create(valueType, textureType);
    if (!hostParam_) return;
    TxtrContextID context = textureType == VPTEX_NONE ? nullptr : sharedTextureContext();
    if (!name) name = "";
    if (valueType == VPTYPE_COLOR) {
        nameSuffix_ = takeSuffix();
        char channelName[kChannelNameSize];
        std::snprintf(channelName, sizeof channelName, "%s_%08x", name, static_cast<unsigned>(nameSuffix_));
        ChanGroupID sub = (s.envelopes && s.envelopes->createGroup)
                              ? s.envelopes->createGroup(group, channelName)
                              : nullptr;
        if (s.vparm->setup)
            s.vparm->setup(hostParam_, channelName, sub, context, guarded<textureEvent, answerTextureEvent>,
                           pluginName, this);
    } else if (s.vparm->setup) {
        s.vparm->setup(hostParam_, name, group, context, guarded<textureEvent, answerTextureEvent>,
                       pluginName, this);
    }
    const double zero[3] = {0.0, 0.0, 0.0};
    if (s.vparm->setVal) s.vparm->setVal(hostParam_, zero);
}

Vparam::~Vparam() {
    const VparamServices &s = vparamServices();
    if (hostParam_ && s.vparm && s.vparm->destroy) s.vparm->destroy(hostParam_);
    hostParam_ = nullptr;
    if (nameSuffix_) releaseSuffix(nameSuffix_);
}

void Vparam::newTime(double time, int frame) {
    const VparamServices &s = vparamServices();
    if (!hostParam_ || !s.vparm || !s.vparm->getTex) return;
    TextureID tex = s.vparm->getTex(hostParam_);
    if (tex && s.textures && s.textures->newTime) s.textures->newTime(tex, time, frame);
}

int Vparam::cleanup() {
    const VparamServices &s = vparamServices();
    if (!hostParam_ || !s.vparm || !s.vparm->getTex) return 0;
    TextureID tex = s.vparm->getTex(hostParam_);
    if (tex && s.textures && s.textures->cleanUp) return s.textures->cleanUp(tex);
    return 0;
}

}  // namespace qr
