#include "minihost/vparams/channel_registry.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace minihost::vparams {

namespace {

template <typename T>
void eraseFrom(std::vector<T *> &list, const T *item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

}  // namespace

Group *Registry::group(ChanGroupID id) const {
    auto *g = reinterpret_cast<Group *>(id);
    return live(g) ? g : nullptr;
}

Channel *Registry::channel(ChannelID id) const {
    auto *c = reinterpret_cast<Channel *>(id);
    return live(c) ? c : nullptr;
}

Envelope *Registry::envelope(EnvelopeID id) const {
    auto *e = reinterpret_cast<Envelope *>(id);
    return live(e) ? e : nullptr;
}

Vparm *Registry::vparm(VParmID id) const {
    auto *v = reinterpret_cast<Vparm *>(id);
    return live(v) ? v : nullptr;
}

Group *Registry::createGroup(Group *parent, const char *name) {
    auto g = std::make_unique<Group>();
    g->name = name ? name : "";
    g->parent = parent;
    std::vector<Group *> &siblings = parent ? parent->children : top_;
    siblings.reserve(siblings.size() + 1);
    groups_.insert(g.get());
    siblings.push_back(g.get());  // cannot throw after the reserve
    return g.release();
}

void Registry::destroyGroup(Group *g) {
    if (!live(g)) return;
    // Children first; each removes itself from g->children.
    while (!g->children.empty()) destroyGroup(g->children.back());
    for (Channel *c : g->channels) c->group = nullptr;
    for (const Envelope *e : envelopes_)
        if (e->group == g) const_cast<Envelope *>(e)->group = nullptr;
    for (const Vparm *v : vparms_)
        if (v->group == g) const_cast<Vparm *>(v)->group = nullptr;
    eraseFrom(g->parent ? g->parent->children : top_, g);
    groups_.erase(g);
    delete g;
}

Channel *Registry::createChannel(Group *g, const std::string &name, Vparm *owner) {
    auto c = std::make_unique<Channel>();
    c->name = name;
    c->group = g;
    c->owner = owner;
    if (g) g->channels.reserve(g->channels.size() + 1);
    channels_.insert(c.get());
    if (g) g->channels.push_back(c.get());
    return c.release();
}

void Registry::destroyChannel(Channel *c) {
    if (!live(c)) return;
    if (live(c->envelope) && c->envelope->attachedTo == c) c->envelope->attachedTo = nullptr;
    if (c->group) eraseFrom(c->group->channels, c);
    channels_.erase(c);
    delete c;
}

Envelope *Registry::createEnvelope(Group *g, const char *name, int type) {
    auto e = std::make_unique<Envelope>();
    e->name = name ? name : "";
    e->type = type;
    e->group = g;
    envelopes_.insert(e.get());
    // Not a boundary: the registration is undone and the exception goes on
    // to the service's guard, so the registry never lists a freed envelope.
    try {
        e->ownChannel = createChannel(g, e->name, nullptr);
    } catch (...) {
        envelopes_.erase(e.get());
        throw;
    }
    e->ownChannel->envelope = e.get();
    return e.release();
}

Envelope *Registry::createVparmEnvelope(Vparm *v, int index, double defaultValue) {
    auto e = std::make_unique<Envelope>();
    Channel *c = v->channels[index];
    e->name = c ? c->name : v->channelName;
    e->group = v->group;
    e->data.defaultValue = defaultValue;
    e->owner = v;
    e->ownerChannel = index;
    envelopes_.insert(e.get());
    v->envelopes[index] = e.get();
    if (c) c->envelope = e.get();
    return e.release();
}

Envelope *Registry::attachEnvelope(Channel *c, double defaultValue) {
    auto e = std::make_unique<Envelope>();
    e->name = c->name;
    e->group = c->group;
    e->data.defaultValue = defaultValue;
    e->attachedTo = c;
    envelopes_.insert(e.get());
    c->envelope = e.get();
    return e.release();
}

void Registry::moveGroup(Group *g, Group *newParent) {
    if (!live(g) || (newParent && !live(newParent)) || g->parent == newParent) return;
    for (const Group *up = newParent; up; up = up->parent)
        if (up == g) return;
    std::vector<Group *> &to = newParent ? newParent->children : top_;
    to.reserve(to.size() + 1);
    eraseFrom(g->parent ? g->parent->children : top_, g);
    to.push_back(g);  // cannot throw after the reserve
    g->parent = newParent;
}

void Registry::destroyEnvelope(Envelope *e) {
    if (!live(e)) return;
    if (e->attachedTo && live(e->attachedTo) && e->attachedTo->envelope == e)
        e->attachedTo->envelope = nullptr;
    if (e->owner && live(e->owner)) {
        Vparm *v = e->owner;
        if (v->envelopes[e->ownerChannel] == e) v->envelopes[e->ownerChannel] = nullptr;
        if (Channel *c = v->channels[e->ownerChannel]; live(c) && c->envelope == e) c->envelope = nullptr;
    }
    if (e->ownChannel) destroyChannel(e->ownChannel);
    envelopes_.erase(e);
    delete e;
}

Vparm *Registry::createVparm(int valueType, int textureType) {
    auto v = std::make_unique<Vparm>();
    v->valueType = valueType;
    v->textureType = textureType;
    // Colours animate red, green and blue; every other type is one value.
    v->channelCount = valueType == 0x51 ? 3 : 1;
    vparms_.insert(v.get());
    return v.release();
}

void Registry::destroyVparm(Vparm *v) {
    if (!live(v)) return;
    for (int i = 0; i < kMaxVparmChannels; ++i) {
        destroyEnvelope(v->envelopes[i]);
        destroyChannel(v->channels[i]);
    }
    vparms_.erase(v);
    delete v;
}

Registry::Counts Registry::counts() const {
    return {groups_.size(), channels_.size(), envelopes_.size(), vparms_.size()};
}

Registry &registry() {
    static Registry *instance = new Registry;
    return *instance;
}

Registry::Counts liveCounts() {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    return r.counts();
}

}  // namespace minihost::vparams
