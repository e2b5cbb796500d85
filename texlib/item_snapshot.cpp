#include "texlib/item_snapshot.h"

#include <new>

#include "host/item_services.h"
#include "module_base/module_state.h"

namespace qr {

namespace {

// The order in which a record's vectors are read from the host.
constexpr int kRecordOrder[12] = {1, 8, 5, 6, 7, 12, 2, 3, 4, 9, 10, 11};

constinit ModuleObjectSlot<FrameSnapshotState> frameSnapshot;

CriticalSection &snapshotLock() { return frameSnapshot->lock; }

void recordItem(ItemSnapshot &snap, const ItemInfo &info, ItemID item) {
    if (item == ITEM_NULL) return;
    std::unique_ptr<ItemState> *entry = nullptr;
    try {
        entry = &snap.states[item];
    } catch (const std::bad_alloc &) {
        return;  // no map node for it: the item is left out
    }
    auto &slot = *entry;
    if (!slot) {
        slot.reset(new (std::nothrow) ItemState());
        if (!slot) {
            snap.states.erase(item);
            return;
        }
    }
    ItemState &state = *slot;
    state.itemType = info.type ? info.type(item) : -1;
    for (int code : kRecordOrder) {
        Vector *v = state.vectorFor(code);
        double vec[3] = {v->x, v->y, v->z};
        if (info.param) info.param(item, code, snap.time, vec);
        *v = Vector{vec[0], vec[1], vec[2]};
    }
}

void recordAllOfType(ItemSnapshot &snap, const ItemInfo &info, int type, ItemID parent) {
    if (!info.first) return;
    for (ItemID item = info.first(type, parent); item != ITEM_NULL;
         item = info.next ? info.next(item) : ITEM_NULL) {
        recordItem(snap, info, item);
        if (type == ITEM_TYPE_OBJECT) recordAllOfType(snap, info, ITEM_TYPE_BONE, item);
    }
}

}  // namespace

Vector *ItemState::vectorFor(int code) {
    switch (code) {
    case 1: return &param1;
    case 2: return &param2;
    case 3: return &param3;
    case 4: return &param4;
    case 5: return &param5;
    case 6: return &param6;
    case 7: return &param7;
    case 8: return &param8;
    case 9: return &param9;
    case 10: return &param10;
    case 11: return &param11;
    case 12: return &param12;
    default: return nullptr;
    }
}

ItemSnapshot *createItemSnapshot() noexcept { return new (std::nothrow) ItemSnapshot(); }

void destroyItemSnapshot(ItemSnapshot *snapshot) noexcept { delete snapshot; }

void refreshItemSnapshot(ItemSnapshot *snapshot, double time, int frame) {
    if (!snapshot) return;
    CriticalSectionGuard guard(snapshotLock());
    const ItemInfo *info = services().itemInfo;
    if (!info) return;
    snapshot->states.clear();
    snapshot->time = time;
    snapshot->frame = frame;
    recordAllOfType(*snapshot, *info, ITEM_TYPE_LIGHT, ITEM_NULL);
    recordAllOfType(*snapshot, *info, ITEM_TYPE_CAMERA, ITEM_NULL);
    recordAllOfType(*snapshot, *info, ITEM_TYPE_OBJECT, ITEM_NULL);
}

namespace {

// The lock is held by the caller.
void copyVector(const ItemSnapshot &snapshot, ItemID item, int code, double out[3]) {
    if (!out) return;
    auto it = snapshot.states.find(item);
    if (it == snapshot.states.end() || !it->second) return;
    const Vector *v = it->second->vectorFor(code);
    if (!v) return;
    out[0] = v->x;
    out[1] = v->y;
    out[2] = v->z;
}

}  // namespace

void lookupItemSnapshot(const ItemSnapshot *snapshot, ItemID item, int code, double out[3]) noexcept {
    if (!snapshot || !out) return;
    CriticalSectionGuard guard(snapshotLock());
    copyVector(*snapshot, item, code, out);
}

ModuleObjectSlot<FrameSnapshotState> &frameSnapshotSlot() noexcept { return frameSnapshot; }

void refreshFrameSnapshot(double time, int frame) {
    refreshItemSnapshot(frameSnapshot->snapshot, time, frame);
}

void lookupFrameSnapshot(ItemID item, int code, double out[3]) noexcept {
    lookupItemSnapshot(frameSnapshot->snapshot, item, code, out);
}

void lookupFrameSnapshotPair(ItemID item, int codeA, double outA[3], int codeB, double outB[3]) noexcept {
    const ItemSnapshot *snapshot = frameSnapshot->snapshot;
    if (!snapshot) return;
    CriticalSectionGuard guard(snapshotLock());
    copyVector(*snapshot, item, codeA, outA);
    copyVector(*snapshot, item, codeB, outB);
}

}  // namespace qr
