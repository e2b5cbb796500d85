#include "minihost/vparams/vparm_service.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "minihost/vparams/channel_registry.h"
#include "minihost/vparams/vparm_data.h"

namespace minihost {
namespace {

using namespace vparams;

constexpr const char *kNoParameter = "no such variant parameter";
constexpr const char *kNoMemory = "not enough memory";

VParmID create(int envType, int texType) noexcept {
    try {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        return handle(r.createVparm(envType, texType));
    } catch (...) {
        return nullptr;
    }
}

void destroy(VParmID vp) noexcept {
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
          const char *pluginName, void *userData) noexcept {
    try {
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
    } catch (...) {
        return 0;
    }
}

const char *copy(VParmID to, VParmID from) noexcept {
    try {
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
        return nullptr;
    } catch (...) {
        return kNoMemory;
    }
}

const char *load(VParmID vp, const LoadState *ls) noexcept {
    try {
        VparmData data;
        if (!ls || !readVparmData(ls, data)) return "unreadable variant parameter data";
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
        return nullptr;
    } catch (...) {
        return kNoMemory;
    }
}

const char *save(VParmID vp, const SaveState *ss) noexcept {
    try {
        if (!ss) return "no save state";
        VparmData data;
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
        }
        writeVparmData(ss, data);
        return nullptr;
    } catch (...) {
        return kNoMemory;
    }
}

double getVal(VParmID vp, double time, TexturedSpot *, double *result) noexcept {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Vparm *v = r.vparm(vp);
    if (!v) return 0.0;
    double first = 0.0;
    for (int i = 0; i < v->channelCount; ++i) {
        const Envelope *e = v->envelopes[i];
        const double value = e ? e->data.evaluate(time) : v->values[i];
        if (i == 0) first = value;
        if (result) result[i] = value;
    }
    return first;
}

int setVal(VParmID vp, const double *value) noexcept {
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

int getEnv(VParmID vp, EnvelopeID envs[3]) noexcept {
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

TextureID getTex(VParmID) noexcept { return nullptr; }

int getState(VParmID vp) noexcept {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Vparm *v = r.vparm(vp);
    if (!v) return 0;
    for (int i = 0; i < v->channelCount; ++i)
        if (v->envelopes[i]) return VPSTATE_ENVELOPE;
    return 0;
}

void setState(VParmID vp, int state) noexcept {
    try {
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
    } catch (...) {
    }
}

void initSpot(TexturedSpot *spot) noexcept {
    if (!spot) return;
    *spot = TexturedSpot{};
    for (double &s : spot->oScl) s = 1.0;
}

VParmFuncs record = {create, destroy, setup,  copy,     load,     save,    getVal,
                     setVal, getEnv,  getTex, getState, setState, initSpot};

}  // namespace

VParmFuncs *vparmFuncsRecord() { return &record; }

}  // namespace minihost
