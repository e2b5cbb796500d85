#include "minihost/vparams/channel_info_service.h"

#include <algorithm>
#include <mutex>

#include "minihost/core/service_guard.h"
#include "minihost/vparams/channel_registry.h"

namespace minihost {
namespace {

using namespace vparams;

// The element after `current` in `list` (the first when current is null),
// or null.
template <typename T>
T *following(const std::vector<T *> &list, const T *current) {
    if (!current) return list.empty() ? nullptr : list.front();
    auto it = std::find(list.begin(), list.end(), current);
    if (it == list.end() || ++it == list.end()) return nullptr;
    return *it;
}

ChanGroupID nextGroup(ChanGroupID parent, ChanGroupID group) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Group *p = r.group(parent);
    if (parent && !p) return nullptr;
    if (group && !r.group(group)) return nullptr;
    const auto &list = p ? p->children : r.topGroups();
    return handle(following(list, reinterpret_cast<const Group *>(group)));
}

ChannelID nextChannel(ChanGroupID group, ChannelID chan) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Group *g = r.group(group);
    if (!g || (chan && !r.channel(chan))) return nullptr;
    return handle(following(g->channels, reinterpret_cast<const Channel *>(chan)));
}

const char *groupName(ChanGroupID group) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Group *g = r.group(group);
    return g ? g->name.c_str() : nullptr;
}

ChanGroupID groupParent(ChanGroupID group) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Group *g = r.group(group);
    return g ? handle(g->parent) : nullptr;
}

const char *channelName(ChannelID chan) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Channel *c = r.channel(chan);
    return c ? c->name.c_str() : nullptr;
}

ChanGroupID channelParent(ChannelID chan) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Channel *c = r.channel(chan);
    return c ? handle(c->group) : nullptr;
}

EnvelopeID channelEnvelope(ChannelID chan) {
    Registry &r = registry();
    std::shared_lock lock(r.mutex);
    const Channel *c = r.channel(chan);
    return c ? handle(c->envelope) : nullptr;
}

ChannelInfo record = {guardedService<"ChannelInfo.nextGroup", nextGroup>,
                      guardedService<"ChannelInfo.nextChannel", nextChannel>,
                      guardedService<"ChannelInfo.groupName", groupName>,
                      guardedService<"ChannelInfo.groupParent", groupParent>,
                      guardedService<"ChannelInfo.channelName", channelName>,
                      guardedService<"ChannelInfo.channelParent", channelParent>,
                      guardedService<"ChannelInfo.channelEnvelope", channelEnvelope>};

}  // namespace

ChannelInfo *channelInfoRecord() { return &record; }

}  // namespace minihost
