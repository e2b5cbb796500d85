#include "texlib/item_snapshot.h"

#include <cstring>
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

// `walked`, when given, receives the items of the walk itself (not their
// bones); it is cleared when memory for it runs short.
void recordAllOfType(ItemSnapshot &snap, const ItemInfo &info, int type, ItemID parent,
                     std::unordered_set<ItemID> *walked = nullptr, bool *walkKept = nullptr) {
    if (!info.first) return;
    for (ItemID item = info.first(type, parent); item != ITEM_NULL;
         item = info.next ? info.next(item) : ITEM_NULL) {
        recordItem(snap, info, item);
        if (walked && *walkKept) {
            try {
                walked->insert(item);
            } catch (const std::bad_alloc &) {
                *walkKept = false;
                walked->clear();
            }
        }
        if (type == ITEM_TYPE_OBJECT) recordAllOfType(snap, info, ITEM_TYPE_BONE, item);
    }
}

// The rebuild itself, with the lock held and the item service present.
void rebuild(ItemSnapshot &snap, const ItemInfo &info, double time, int frame,
             std::unordered_set<ItemID> *objects = nullptr, bool *objectsKept = nullptr) {
    snap.states.clear();
    snap.time = time;
    snap.frame = frame;
    recordAllOfType(snap, info, ITEM_TYPE_LIGHT, ITEM_NULL);
    recordAllOfType(snap, info, ITEM_TYPE_CAMERA, ITEM_NULL);
    recordAllOfType(snap, info, ITEM_TYPE_OBJECT, ITEM_NULL, objects, objectsKept);
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
    // A plain refresh of the frame snapshot is a round of its own, which no
    // other refresh joins.
    if (snapshot == frameSnapshot->snapshot) {
        frameSnapshot->roundOpen.store(false, std::memory_order_relaxed);
        frameSnapshot->content.fetch_add(1, std::memory_order_relaxed);
    }
    rebuild(*snapshot, *info, time, frame);
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

uint64_t refreshFrameSnapshotOnce(double time, int frame, uint64_t heldRound) {
    FrameSnapshotState &st = *frameSnapshot;
    ItemSnapshot *snapshot = st.snapshot;
    if (!snapshot) return 0;
    CriticalSectionGuard guard(st.lock);
    const uint64_t current = st.content.load(std::memory_order_relaxed);
    // Same bits of the time, not merely equal numbers: the host is asked at
    // exactly this time.
    const bool sameTime = std::memcmp(&snapshot->time, &time, sizeof time) == 0 && snapshot->frame == frame;
    if (st.roundOpen.load(std::memory_order_relaxed) && sameTime && heldRound != current) return current;
    const ItemInfo *info = services().itemInfo;
    st.roundOpen.store(false, std::memory_order_relaxed);
    if (!info) return 0;  // the snapshot keeps its content, as a refresh would
    st.objects.clear();
    st.sharedPrivate.reset();
    bool kept = info->first != nullptr && info->next != nullptr;
    rebuild(*snapshot, *info, time, frame, &st.objects, &kept);
    st.objectsKnown = kept;
    const uint64_t next = current + 1;
    st.content.store(next, std::memory_order_relaxed);
    st.roundOpen.store(true, std::memory_order_release);
    return next;
}

void endFrameRound() noexcept {
    FrameSnapshotState *st = frameSnapshot.operator->();
    if (!st) return;
    CriticalSectionGuard guard(st->lock);
    st->roundOpen.store(false, std::memory_order_relaxed);
    st->sharedPrivate.reset();
}

uint64_t frameSnapshotContent() noexcept {
    const FrameSnapshotState *st = frameSnapshot.operator->();
    return st ? st->content.load(std::memory_order_acquire) : 0;
}

uint64_t openFrameRound() noexcept {
    const FrameSnapshotState *st = frameSnapshot.operator->();
    if (!st || !st->roundOpen.load(std::memory_order_acquire)) return 0;
    return st->content.load(std::memory_order_relaxed);
}

int frameRoundSceneObject(ItemID item, uint64_t &round) noexcept {
    FrameSnapshotState *st = frameSnapshot.operator->();
    if (!st) return -1;
    CriticalSectionGuard guard(st->lock);
    if (!st->roundOpen.load(std::memory_order_relaxed) || !st->objectsKnown) return -1;
    round = st->content.load(std::memory_order_relaxed);
    return st->objects.count(item) != 0 ? 1 : 0;
}

std::shared_ptr<ItemSnapshot> privateSnapshotAt(double time, int frame) noexcept {
    FrameSnapshotState &st = *frameSnapshot;
    uint64_t round = 0;
    {
        CriticalSectionGuard guard(st.lock);
        if (st.roundOpen.load(std::memory_order_relaxed)) {
            round = st.content.load(std::memory_order_relaxed);
            if (st.sharedPrivate && st.sharedPrivateRound == round &&
                std::memcmp(&st.sharedPrivateTime, &time, sizeof time) == 0 && st.sharedPrivateFrame == frame)
                return st.sharedPrivate;
        }
    }
    std::shared_ptr<ItemSnapshot> made;
    try {
        made = std::shared_ptr<ItemSnapshot>(createItemSnapshot(), destroyItemSnapshot);
    } catch (const std::bad_alloc &) {
        return nullptr;  // the shared pointer's own record (the deleter freed the snapshot)
    }
    if (!made) return nullptr;
    refreshItemSnapshot(made.get(), time, frame);
    if (round == 0) return made;
    CriticalSectionGuard guard(st.lock);
    // Shared only if the round it was made in is still the open one.
    if (st.roundOpen.load(std::memory_order_relaxed) && st.content.load(std::memory_order_relaxed) == round) {
        st.sharedPrivate = made;
        st.sharedPrivateRound = round;
        st.sharedPrivateTime = time;
        st.sharedPrivateFrame = frame;
    }
    return made;
}

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
