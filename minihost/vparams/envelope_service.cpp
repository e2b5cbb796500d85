#include "minihost/vparams/envelope_service.h"

#include <mutex>

#include "minihost/vparams/channel_registry.h"

namespace minihost {
namespace {

using namespace vparams;

EnvelopeID create(ChanGroupID group, const char *name, int type) noexcept {
    try {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        if (group && !r.group(group)) return nullptr;  // a stale group: refuse
        return handle(r.createEnvelope(r.group(group), name, type));
    } catch (...) {
        return nullptr;
    }
}

void destroy(EnvelopeID env) noexcept {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    r.destroyEnvelope(r.envelope(env));
}

ChanGroupID createGroup(ChanGroupID parent, const char *name) noexcept {
    try {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        if (parent && !r.group(parent)) return nullptr;
        return handle(r.createGroup(r.group(parent), name));
    } catch (...) {
        return nullptr;
    }
}

void destroyGroup(ChanGroupID group) noexcept {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    r.destroyGroup(r.group(group));
}

int copy(EnvelopeID to, EnvelopeID from) noexcept {
    try {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        Envelope *t = r.envelope(to);
        const Envelope *f = r.envelope(from);
        if (!t || !f) return 0;
        if (t != f) t->data = f->data;
        return 1;
    } catch (...) {
        return 0;
    }
}

int load(EnvelopeID env, const LoadState *ls) noexcept {
    try {
        // Read outside the lock: the state may be slow (a file) and touches
        // nothing of ours.
        EnvelopeData data;
        if (!ls || !readEnvelopeData(ls, data)) return 0;
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        Envelope *e = r.envelope(env);
        if (!e) return 0;
        e->data = std::move(data);
        return 1;
    } catch (...) {
        return 0;
    }
}

int save(EnvelopeID env, const SaveState *ss) noexcept {
    try {
        if (!ss) return 0;
        EnvelopeData data;
        {
            Registry &r = registry();
            std::shared_lock lock(r.mutex);
            const Envelope *e = r.envelope(env);
            if (!e) return 0;
            data = e->data;
        }
        writeEnvelopeData(ss, data);
        return 1;
    } catch (...) {
        return 0;
    }
}

double evaluate(EnvelopeID env, double time) noexcept {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Envelope *e = r.envelope(env);
    return e ? e->data.evaluate(time) : 0.0;
}

int createKey(EnvelopeID env, double time, double value) noexcept {
    try {
        Registry &r = registry();
        std::unique_lock lock(r.mutex);
        Envelope *e = r.envelope(env);
        return e && e->data.addKey(time, value) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int numKeys(EnvelopeID env) noexcept {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Envelope *e = r.envelope(env);
    return e ? static_cast<int>(e->data.keys.size()) : 0;
}

int keyAt(EnvelopeID env, int index, double *time, double *value) noexcept {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Envelope *e = r.envelope(env);
    if (!e || index < 0 || static_cast<std::size_t>(index) >= e->data.keys.size()) return 0;
    const EnvelopeKey &k = e->data.keys[static_cast<std::size_t>(index)];
    if (time) *time = k.time;
    if (value) *value = k.value;
    return 1;
}

EnvelopeFuncs record = {create, destroy,  createGroup, destroyGroup, copy, load,
                        save,   evaluate, createKey,   numKeys,      keyAt};

}  // namespace

EnvelopeFuncs *envelopeFuncsRecord() { return &record; }

}  // namespace minihost
