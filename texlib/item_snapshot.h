// Item snapshot: the type and twelve parameter vectors of every light, camera,
// object and bone, read from the host's item service once at one time, so
// that render threads can look positions and axes up without calling the host.
// One module-wide lock (the snapshot lock) serialises every refresh and every
// lookup of every snapshot.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "host/host_types.h"
#include "module_base/critical_section.h"
#include "module_base/module_object_slot.h"
#include "texlib/vector.h"

namespace qr {

// One recorded item. Vectors are kept in the recording order of the item
// service's parameter codes 1, 8, 5, 6, 7, 12, 2, 3, 4, 9, 10, 11.
class ItemState {
public:
    virtual ~ItemState() = default;

    int32_t itemType = 0;
    Vector param1{}, param8{}, param5{}, param6{}, param7{}, param12{};
    Vector param2{}, param3{}, param4{}, param9{}, param10{}, param11{};

    // The stored vector of a parameter code, or null outside 1 to 12.
    Vector *vectorFor(int code);
};

class ItemSnapshot {
public:
    virtual ~ItemSnapshot() = default;

    std::map<uint32_t, std::unique_ptr<ItemState>> states;
    double time = 0.0;
    int32_t frame = 0;
};

// A new empty snapshot, or null when memory is short.
ItemSnapshot *createItemSnapshot() noexcept;
// Destroys every ItemState and the snapshot; null is ignored.
void destroyItemSnapshot(ItemSnapshot *snapshot) noexcept;

// Under the snapshot lock, rebuilds the snapshot from the item service at
// `time`. Without the item service the snapshot keeps its content. An item
// whose record cannot be allocated is left out.
void refreshItemSnapshot(ItemSnapshot *snapshot, double time, int frame);
// Under the snapshot lock, copies the vector of `item` and `code` into out;
// out is left unchanged when the item is not recorded or the code is not 1-12.
void lookupItemSnapshot(const ItemSnapshot *snapshot, ItemID item, int code, double out[3]) noexcept;

// The same operations on the module's frame item snapshot.
void refreshFrameSnapshot(double time, int frame);
void lookupFrameSnapshot(ItemID item, int code, double out[3]) noexcept;
// Two vectors of one item from the frame item snapshot, under one taking of
// the lock (a shader asks for the camera's forward axis and position for
// every sample).
void lookupFrameSnapshotPair(ItemID item, int codeA, double outA[3], int codeB, double outB[3]) noexcept;

// The fourth of the module-wide objects: the snapshot lock, created before
// the frame snapshot and deleted after it.
struct FrameSnapshotState {
    FrameSnapshotState() noexcept : snapshot(createItemSnapshot()) {}
    ~FrameSnapshotState() { destroyItemSnapshot(snapshot); }
    FrameSnapshotState(const FrameSnapshotState &) = delete;
    FrameSnapshotState &operator=(const FrameSnapshotState &) = delete;

    CriticalSection lock;
    ItemSnapshot *snapshot;
};

// The module frame binds the module's frame snapshot here.
ModuleObjectSlot<FrameSnapshotState> &frameSnapshotSlot() noexcept;

}  // namespace qr
