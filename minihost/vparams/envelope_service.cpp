#include "minihost/vparams/envelope_service.h"

#include <mutex>

#include "minihost/core/service_guard.h"
#include "minihost/vparams/channel_registry.h"

namespace minihost {
namespace {

using namespace vparams;

EnvelopeID create(ChanGroupID group, const char *name, int type) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    if (group && !r.group(group)) return nullptr;  // a stale group: refuse
    return handle(r.createEnvelope(r.group(group), name, type));
}

void destroy(EnvelopeID env) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    r.destroyEnvelope(r.envelope(env));
}

ChanGroupID createGroup(ChanGroupID parent, const char *name) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    if (parent && !r.group(parent)) return nullptr;
    return handle(r.createGroup(r.group(parent), name));
}

void destroyGroup(ChanGroupID group) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    r.destroyGroup(r.group(group));
}

int copy(EnvelopeID to, EnvelopeID from) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    Envelope *t = r.envelope(to);
    const Envelope *f = r.envelope(from);
    if (!t || !f) return 0;
    if (t != f) t->data = f->data;
    return 1;
}

int load(EnvelopeID env, const LoadState *ls) {
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
}

int save(EnvelopeID env, const SaveState *ss) {
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
}

double evaluate(EnvelopeID env, double time) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Envelope *e = r.envelope(env);
    return e ? e->data.evaluate(time) : 0.0;
}

int createKey(EnvelopeID env, double time, double value) {
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    Envelope *e = r.envelope(env);
    return e && e->data.addKey(time, value) ? 1 : 0;
}

int numKeys(EnvelopeID env) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Envelope *e = r.envelope(env);
    return e ? static_cast<int>(e->data.keys.size()) : 0;
}

int keyAt(EnvelopeID env, int index, double *time, double *value) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Envelope *e = r.envelope(env);
    if (!e || index < 0 || static_cast<std::size_t>(index) >= e->data.keys.size()) return 0;
    const EnvelopeKey &k = e->data.keys[static_cast<std::size_t>(index)];
    if (time) *time = k.time;
    if (value) *value = k.value;
    return 1;
}

EnvelopeFuncs record = {guardedService<"EnvelopeFuncs.create", create>,
                        guardedService<"EnvelopeFuncs.destroy", destroy>,
                        guardedService<"EnvelopeFuncs.createGroup", createGroup>,
                        guardedService<"EnvelopeFuncs.destroyGroup", destroyGroup>,
                        guardedService<"EnvelopeFuncs.copy", copy>,
                        guardedService<"EnvelopeFuncs.load", load>,
                        guardedService<"EnvelopeFuncs.save", save>,
                        guardedService<"EnvelopeFuncs.evaluate", evaluate>,
                        guardedService<"EnvelopeFuncs.createKey", createKey>,
                        guardedService<"EnvelopeFuncs.numKeys", numKeys>,
                        guardedService<"EnvelopeFuncs.keyAt", keyAt>};

}  // namespace

EnvelopeFuncs *envelopeFuncsRecord() { return &record; }

}  // namespace minihost
