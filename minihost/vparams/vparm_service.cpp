#include "minihost/vparams/vparm_service.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <string>

#include "minihost/core/service_guard.h"
#include "minihost/vparams/channel_registry.h"
#include "minihost/vparams/vparm_data.h"
#include "minihost/vparams/vparm_reads.h"

namespace minihost {
namespace {

using namespace vparams;

constexpr const char *kNoParameter = "no such variant parameter";
constexpr const char *kNoMemory = "not enough memory";

std::atomic<const TextureFuncs *> gTextures{nullptr};

const TextureFuncs *textures() { return gTextures.load(std::memory_order_acquire); }

// The parameter's texture, made (and announced to the parameter's event
// callback) when it has none. Textures are made and destroyed outside the
// registry's lock: the event callback calls back into the services.
TextureID ensureTexture(VParmID vp) {
    const TextureFuncs *tf = textures();
    if (!tf || !tf->create) return nullptr;
    Registry &r = registry();
    int textureType = VPTEX_NONE;
    std::string name;
    TxtrContextID context = nullptr;
    {
        std::shared_lock lock(r.mutex);
        const Vparm *v = r.vparm(vp);
        if (!v) return nullptr;
        if (v->texture) return v->texture;
        textureType = v->textureType;
        name = v->channelName;
        context = v->context;
    }
    if (textureType == VPTEX_NONE) return nullptr;
    TextureID made = tf->create(textureType, name.c_str(), context);
    if (!made) return nullptr;
    VParmEventFunc *event = nullptr;
    void *userData = nullptr;
    TextureID kept = nullptr;
    {
        std::unique_lock lock(r.mutex);
        if (Vparm *v = r.vparm(vp); v && !v->texture) {
            v->texture = made;
            event = v->eventFunc;
            userData = v->userData;
        } else {
            kept = v ? v->texture : nullptr;
        }
    }
    if (kept || !event) {
        if (kept && tf->destroy) tf->destroy(made);
        return kept ? kept : made;
    }
    event(made, userData, TXEVENT_ENVGROUP, nullptr);
    return made;
}

void dropTexture(VParmID vp) {
    TextureID texture = nullptr;
    {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        if (Vparm *v = r.vparm(vp)) std::swap(texture, v->texture);
    }
    const TextureFuncs *tf = textures();
    if (texture && tf && tf->destroy) tf->destroy(texture);
}

TextureID textureOf(VParmID vp) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Vparm *v = r.vparm(vp);
    return v ? v->texture : nullptr;
}

VParmID create(int envType, int texType) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    return handle(r.createVparm(envType, texType));
}

void destroy(VParmID vp) {
    dropTexture(vp);
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    r.destroyVparm(r.vparm(vp));
}

std::string channelNameOf(const Vparm &v, int index) {
    if (v.channelCount == 1) return v.channelName;
    static const char *const kSuffix[3] = {".R", ".G", ".B"};
    return v.channelName + kSuffix[index];
}

int setup(VParmID vp, const char *channelName, ChanGroupID group, TxtrContextID ctx, VParmEventFunc *event,
          const char *pluginName, void *userData) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    Vparm *v = r.vparm(vp);
    if (!v) return 0;
    v->channelName = channelName ? channelName : "";
    v->group = r.group(group);  // a stale group counts as none
    v->context = ctx;
    v->eventFunc = event;
    v->pluginName = pluginName ? pluginName : "";
    v->userData = userData;
    // A second setup renames: the old channels go, the envelopes stay.
    for (int i = 0; i < kMaxVparmChannels; ++i) {
        r.destroyChannel(v->channels[i]);
        v->channels[i] = nullptr;
    }
    for (int i = 0; i < v->channelCount; ++i) {
        Channel *c = r.createChannel(v->group, channelNameOf(*v, i), v);
        v->channels[i] = c;
        if (Envelope *e = v->envelopes[i]) {
            c->envelope = e;
            e->name = c->name;
            e->group = v->group;
        }
    }
    return 1;
}

const char *copy(VParmID to, VParmID from) {
    {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        Vparm *t = r.vparm(to);
        const Vparm *f = r.vparm(from);
        if (!t || !f) return kNoParameter;
        if (t == f) return nullptr;
        const int n = std::min(t->channelCount, f->channelCount);
        for (int i = 0; i < n; ++i) {
            t->values[i] = f->values[i];
            if (const Envelope *source = f->envelopes[i]) {
                Envelope *target = t->envelopes[i];
                if (!target) target = r.createVparmEnvelope(t, i, f->values[i]);
                target->data = source->data;
            } else if (t->envelopes[i]) {
                r.destroyEnvelope(t->envelopes[i]);
            }
        }
    }
    const TextureID source = textureOf(from);
    if (!source) {
        dropTexture(to);
        return nullptr;
    }
    const TextureFuncs *tf = textures();
    TextureID target = ensureTexture(to);
    if (target && tf && tf->copy) tf->copy(target, source);
    return nullptr;
}

const char *load(VParmID vp, const LoadState *ls) {
    VparmData data;
    if (!ls || !readVparmData(ls, data)) return "unreadable variant parameter data";
    {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        Vparm *v = r.vparm(vp);
        if (!v) return kNoParameter;
        // Data of another type fills the channels both have.
        const int n = std::min(v->channelCount, data.channelCount);
        for (int i = 0; i < n; ++i) {
            v->values[i] = data.values[i];
            if (data.hasEnvelope[i] && !v->envelopes[i])
                r.createVparmEnvelope(v, i, data.values[i]);
            else if (!data.hasEnvelope[i] && v->envelopes[i])
                r.destroyEnvelope(v->envelopes[i]);
        }
    }
    if (!data.textured) {
        dropTexture(vp);
        return nullptr;
    }
    const TextureFuncs *tf = textures();
    const TextureID texture = ensureTexture(vp);
    if (!texture || !tf || !tf->load) return "this variant parameter cannot take a texture";
    return tf->load(texture, ls);
}

const char *save(VParmID vp, const SaveState *ss) {
    if (!ss) return "no save state";
    VparmData data;
    TextureID texture = nullptr;
    {
        Registry &r = registry();
        std::shared_lock lock(r.mutex);
        const Vparm *v = r.vparm(vp);
        if (!v) return kNoParameter;
        data.valueType = v->valueType;
        data.channelCount = v->channelCount;
        for (int i = 0; i < v->channelCount; ++i) {
            data.values[i] = v->values[i];
            data.hasEnvelope[i] = v->envelopes[i] != nullptr;
        }
        texture = v->texture;
    }
    const TextureFuncs *tf = textures();
    data.textured = texture && tf && tf->save;
    writeVparmData(ss, data);
    if (data.textured) return tf->save(texture, ss);
    return nullptr;
}

// What a copy, load or save that failed on an exception answers.
template <typename Other>
const char *outOfMemory(VParmID, Other) {
    return kNoMemory;
}

double getVal(VParmID vp, double time, TexturedSpot *spot, double *result) {
    const VparmReading &read = readVparm(vp, time);
    if (!read.live) return 0.0;
    double values[kMaxVparmChannels] = {read.values[0], read.values[1], read.values[2]};
    const int channels = read.channels;
    // The texture, when there is a spot to evaluate it at, lies over the value.
    const TextureFuncs *tf = textures();
    if (read.texture && spot && tf && tf->evaluate) tf->evaluate(read.texture, spot, values);
    if (result)
        for (int i = 0; i < channels; ++i) result[i] = values[i];
    return values[0];
}

int setVal(VParmID vp, const double *value) {
    if (!value) return 0;
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    Vparm *v = r.vparm(vp);
    if (!v) return 0;
    for (int i = 0; i < v->channelCount; ++i)
        if (!std::isfinite(value[i])) return 0;
    for (int i = 0; i < v->channelCount; ++i) v->values[i] = value[i];
    return 1;
}

int getEnv(VParmID vp, EnvelopeID envs[3]) {
    if (!envs) return 0;
    for (int i = 0; i < 3; ++i) envs[i] = nullptr;
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Vparm *v = r.vparm(vp);
    if (!v) return 0;
    int count = 0;
    for (int i = 0; i < v->channelCount; ++i)
        if (v->envelopes[i]) {
            envs[i] = handle(v->envelopes[i]);
            ++count;
        }
    return count;
}

TextureID getTex(VParmID vp) { return textureOf(vp); }

int getState(VParmID vp) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Vparm *v = r.vparm(vp);
    if (!v) return 0;
    int state = v->texture ? VPSTATE_TEXTURE : 0;
    for (int i = 0; i < v->channelCount; ++i)
        if (v->envelopes[i]) return state | VPSTATE_ENVELOPE;
    return state;
}

void setState(VParmID vp, int state) {
    {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        Vparm *v = r.vparm(vp);
        if (!v) return;
        for (int i = 0; i < v->channelCount; ++i) {
            if (!(state & VPSTATE_ENVELOPE))
                r.destroyEnvelope(v->envelopes[i]);
            else if (!v->envelopes[i])
                r.createVparmEnvelope(v, i, v->values[i]);
        }
    }
    if (state & VPSTATE_TEXTURE)
        ensureTexture(vp);
    else
        dropTexture(vp);
}

void initSpot(TexturedSpot *spot) {
    if (!spot) return;
    *spot = TexturedSpot{};
    for (double &s : spot->oScl) s = 1.0;
}

VParmFuncs record = {guardedService<"VParmFuncs.create", create>,
                     guardedService<"VParmFuncs.destroy", destroy>,
                     guardedService<"VParmFuncs.setup", setup>,
                     guardedService<"VParmFuncs.copy", copy, outOfMemory<VParmID>>,
                     guardedService<"VParmFuncs.load", load, outOfMemory<const LoadState *>>,
                     guardedService<"VParmFuncs.save", save, outOfMemory<const SaveState *>>,
                     guardedService<"VParmFuncs.getVal", getVal>,
                     guardedService<"VParmFuncs.setVal", setVal>,
                     guardedService<"VParmFuncs.getEnv", getEnv>,
                     guardedService<"VParmFuncs.getTex", getTex>,
                     guardedService<"VParmFuncs.getState", getState>,
                     guardedService<"VParmFuncs.setState", setState>,
                     guardedService<"VParmFuncs.initSpot", initSpot>};

}  // namespace

VParmFuncs *vparmFuncsRecord() { return &record; }

void useVparmTextures(const TextureFuncs *funcs) { gTextures.store(funcs, std::memory_order_release); }

}  // namespace minihost
