// The process-wide store behind "Animation Envelopes", "LWVParmFuncs 2" and
// "Channel Info 2": channel groups, channels, envelopes and variant
// parameters, all named by the handles modules hold.
//
// Ownership: a group owns nothing but its name; channels belong to the
// variant parameter they animate or to the envelope created on its own in a
// group; envelopes belong to their variant parameter or to whoever created
// them. Destroying a group therefore only detaches what lives in it, so a
// module that still holds a channel or an envelope of a destroyed group keeps
// a valid object.
//
// Every handle a module passes in is checked against the live objects before
// use, so null, stale or foreign handles are harmless. One shared mutex guards
// everything: evaluations (render threads, many at once) take it shared,
// every change takes it exclusively. Every release of the exclusive lock
// bumps the registry's generation, so a reader may keep copies of what it
// read and trust them for as long as the generation stays the same.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/host_types.h"
#include "host/variant_params.h"
#include "minihost/vparams/envelope_data.h"

namespace minihost::vparams {

struct Group;
struct Channel;
struct Envelope;
struct Vparm;

struct Group {
    std::string name;
    Group *parent = nullptr;
    std::vector<Group *> children;    // creation order
    std::vector<Channel *> channels;  // creation order
};

struct Channel {
    std::string name;
    Group *group = nullptr;        // null once detached
    Envelope *envelope = nullptr;  // null: the channel is not animated
    Vparm *owner = nullptr;        // the parameter it belongs to, or null
};

struct Envelope {
    std::string name;
    int type = 0;
    Group *group = nullptr;
    EnvelopeData data;
    Channel *ownChannel = nullptr;  // made for an envelope created on its own
    Vparm *owner = nullptr;         // set for a parameter's channel envelope
    int ownerChannel = -1;
    Channel *attachedTo = nullptr;  // a channel of another owner (a texture layer's)
};

constexpr int kMaxVparmChannels = 3;

struct Vparm {
    int valueType = 0;
    int textureType = -1;
    int channelCount = 1;
    double values[kMaxVparmChannels] = {0, 0, 0};
    Envelope *envelopes[kMaxVparmChannels] = {nullptr, nullptr, nullptr};
    Channel *channels[kMaxVparmChannels] = {nullptr, nullptr, nullptr};  // made by setup
    std::string channelName;
    Group *group = nullptr;
    TxtrContextID context = nullptr;
    TextureID texture = nullptr;  // the parameter's texture, made and destroyed with its service
    VParmEventFunc *eventFunc = nullptr;
    std::string pluginName;
    void *userData = nullptr;
};

// A shared mutex that counts its exclusive sections: the count goes up
// before each exclusive unlock, while the writer still holds the lock, so
// whoever reads the count under a shared lock reads the count of the state
// it sees. Usable with std::unique_lock and std::shared_lock.
class ChangeCountingMutex {
public:
    void lock() { mutex_.lock(); }
    bool try_lock() { return mutex_.try_lock(); }
    void unlock() {
        generation_.fetch_add(1, std::memory_order_release);
        mutex_.unlock();
    }
    void lock_shared() { mutex_.lock_shared(); }
    bool try_lock_shared() { return mutex_.try_lock_shared(); }
    void unlock_shared() { mutex_.unlock_shared(); }

    // The number of exclusive sections ended so far (starts at 1, so that 0
    // can mean "never read").
    uint64_t generation() const noexcept { return generation_.load(std::memory_order_acquire); }

private:
    std::shared_mutex mutex_;
    std::atomic<uint64_t> generation_{1};
};

class Registry {
public:
    // Guards every object below; see the file comment.
    mutable ChangeCountingMutex mutex;

    bool live(const Group *g) const { return g && groups_.count(g); }
    bool live(const Channel *c) const { return c && channels_.count(c); }
    bool live(const Envelope *e) const { return e && envelopes_.count(e); }
    bool live(const Vparm *v) const { return v && vparms_.count(v); }

    // The checked object behind a handle, or null.
    Group *group(ChanGroupID id) const;
    Channel *channel(ChannelID id) const;
    Envelope *envelope(EnvelopeID id) const;
    Vparm *vparm(VParmID id) const;

    // All of these need the mutex held exclusively and may throw
    // std::bad_alloc (callers catch at the service boundary).
    Group *createGroup(Group *parent, const char *name);
    // Destroys the group and its sub-groups, detaching their channels and
    // envelopes (which stay alive with their owners).
    void destroyGroup(Group *g);
    Channel *createChannel(Group *g, const std::string &name, Vparm *owner);
    void destroyChannel(Channel *c);
    // An envelope of its own (with its own channel in `g`, when g is set).
    Envelope *createEnvelope(Group *g, const char *name, int type);
    // A parameter's envelope of channel `index`, starting at `defaultValue`.
    Envelope *createVparmEnvelope(Vparm *v, int index, double defaultValue);
    // An envelope for a channel that someone else owns (no parameter, no
    // channel of its own); the channel keeps it until destroyEnvelope.
    Envelope *attachEnvelope(Channel *c, double defaultValue);
    // Moves a group (with what lives in it) under another parent (null: to
    // the top level); refused when that would put it under itself.
    void moveGroup(Group *g, Group *newParent);
    void destroyEnvelope(Envelope *e);
    Vparm *createVparm(int valueType, int textureType);
    void destroyVparm(Vparm *v);

    // Top-level groups in creation order.
    const std::vector<Group *> &topGroups() const { return top_; }

    // Numbers of live objects, for tests.
    struct Counts {
        std::size_t groups = 0, channels = 0, envelopes = 0, vparms = 0;
    };
    Counts counts() const;

private:
    std::unordered_set<const Group *> groups_;
    std::unordered_set<const Channel *> channels_;
    std::unordered_set<const Envelope *> envelopes_;
    std::unordered_set<const Vparm *> vparms_;
    std::vector<Group *> top_;
};

// The process's store. It is never destroyed: a module unloaded late at exit
// may still destroy its parameters.
Registry &registry();

// Handles as modules see them.
inline ChanGroupID handle(Group *g) { return reinterpret_cast<ChanGroupID>(g); }
inline ChannelID handle(Channel *c) { return reinterpret_cast<ChannelID>(c); }
inline EnvelopeID handle(Envelope *e) { return reinterpret_cast<EnvelopeID>(e); }
inline VParmID handle(Vparm *v) { return reinterpret_cast<VParmID>(v); }

// The numbers of live objects (takes the lock).
Registry::Counts liveCounts();

}  // namespace minihost::vparams
