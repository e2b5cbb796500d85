// "LW Item Info 3" over the active scene.
//
// Items are walked in the scene's order: objects, lights and cameras as the
// scene file lists them (first(type, ITEM_NULL) starts the walk of all items
// of the type, whatever their parent); bones by object (first(ITEM_TYPE_BONE,
// object), then next until the object's last bone).
//
// Parameter codes, each three doubles at a time t:
//   1 position relative to the parent        7 pivot point (always 0, 0, 0)
//   2 X (right) axis, world, unit            8 world position
//   3 Y (up) axis, world, unit               9 X axis, world, scaled by the world scale
//   4 Z (forward) axis, world, unit         10 Y axis, world, scaled
//   5 heading, pitch, bank, radians, local  11 Z axis, world, scaled
//   6 scale factors, local                  12 pivot rotation (always 0, 0, 0)
#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

ItemID first(int type, ItemID parent) {
    const Scene *s = activeScenePtr();
    if (!s) return ITEM_NULL;
    switch (type) {
    case ITEM_TYPE_OBJECT:
        if (parent == ITEM_NULL) return s->objects.empty() ? ITEM_NULL : s->objects.front()->id;
        for (const auto &o : s->objects)
            if (o->parent == parent) return o->id;
        return ITEM_NULL;
    case ITEM_TYPE_LIGHT:
        if (parent == ITEM_NULL) return s->lights.empty() ? ITEM_NULL : s->lights.front()->id;
        for (const auto &l : s->lights)
            if (l->parent == parent) return l->id;
        return ITEM_NULL;
    case ITEM_TYPE_CAMERA:
        if (parent == ITEM_NULL) return s->cameras.empty() ? ITEM_NULL : s->cameras.front()->id;
        for (const auto &c : s->cameras)
            if (c->parent == parent) return c->id;
        return ITEM_NULL;
    case ITEM_TYPE_BONE:
        for (const auto &b : s->bones)
            if (parent == ITEM_NULL || b->parent == parent) return b->id;
        return ITEM_NULL;
    default: return ITEM_NULL;
    }
}

// The walk an object, light or camera id names by its high bits, and its
// place in it by the rest (the scene loader numbers them so); -1 otherwise.
int walkOf(ItemID item) {
    switch (item >> 28) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    default: return -1;
    }
}

ItemID next(ItemID item) {
    const auto &a = activeScene();
    if (const int w = walkOf(item); w >= 0) {
        const std::vector<ItemID> &walk = a.walks[w];
        const size_t place = (item & 0x0FFFFFFFu) - 1u;
        if (place < walk.size() && walk[place] == item)
            return place + 1 < walk.size() ? walk[place + 1] : ITEM_NULL;
    }
    auto it = a.next.find(item);
    return it == a.next.end() ? ITEM_NULL : it->second;
}

ItemID firstChild(ItemID parent) {
    const Scene *s = activeScenePtr();
    if (!s) return ITEM_NULL;
    for (const auto &[id, item] : s->items)
        if (item->parent == parent && parent != ITEM_NULL) return id;
    return ITEM_NULL;
}

ItemID nextChild(ItemID parent, ItemID prev) {
    const Scene *s = activeScenePtr();
    if (!s || parent == ITEM_NULL) return ITEM_NULL;
    for (auto it = s->items.upper_bound(prev); it != s->items.end(); ++it)
        if (it->second->parent == parent) return it->first;
    return ITEM_NULL;
}

ItemID parentOf(ItemID item) {
    const Scene *s = activeScenePtr();
    const SceneItem *it = s ? s->item(item) : nullptr;
    return it ? it->parent : ITEM_NULL;
}

int typeOf(ItemID item) {
    const Scene *s = activeScenePtr();
    const SceneItem *it = s ? s->item(item) : nullptr;
    return it ? it->type : -1;
}

const char *nameOf(ItemID item) {
    const Scene *s = activeScenePtr();
    const SceneItem *it = s ? s->item(item) : nullptr;
    return it ? it->name.c_str() : nullptr;
}

void param(ItemID item, int code, double time, double vec[3]) {
    const Scene *s = activeScenePtr();
    if (s && vec) s->itemParam(item, code, time, vec);
}

ItemInfo record = {
    guardedService<"ItemInfo.first", first>,           guardedService<"ItemInfo.next", next>,
    guardedService<"ItemInfo.firstChild", firstChild>, guardedService<"ItemInfo.nextChild", nextChild>,
    guardedService<"ItemInfo.parent", parentOf>,       guardedService<"ItemInfo.type", typeOf>,
    guardedService<"ItemInfo.name", nameOf>,           guardedService<"ItemInfo.param", param>};

}  // namespace

ItemInfo *itemInfoRecord() { return &record; }

}  // namespace minihost
