#include "minihost/servers/live_uses.h"

namespace minihost {

const std::vector<LiveUse> &LiveUses::shadersOf(std::size_t object, std::size_t surface) const {
    static const std::vector<LiveUse> none;
    if (object >= shaders.size() || surface >= shaders[object].size()) return none;
    return shaders[object][surface];
}

std::vector<const LiveUse *> LiveUses::inOrder() const {
    std::vector<const LiveUse *> out;
    for (const auto &object : shaders)
        for (const auto &surface : object)
            for (const LiveUse &live : surface) out.push_back(&live);
    for (const auto *list : {&pixelFilters, &imageFilters})
        for (const LiveUse &live : *list) out.push_back(&live);
    return out;
}

const LiveUse *LiveUses::find(const ServerUse &use) const {
    for (const LiveUse *live : inOrder())
        if (live->use == &use) return live;
    return nullptr;
}

}  // namespace minihost
