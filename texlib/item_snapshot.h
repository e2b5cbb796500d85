// Item snapshot: the type and twelve parameter vectors of every light, camera,
// object and bone, read from the host's item service once at one time, so
// that render threads can look positions and axes up without calling the host.
// One module-wide lock (the snapshot lock) serialises every refresh and every
// lookup of every snapshot.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_set>

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

// One refresh per frame.
//
// A host calls the new-time of every shader instance once before it shades a
// frame, one after the other, and changes nothing in its scene while it does
// (shading may not start before all of them returned). So when one instance
// has rebuilt the frame snapshot at a time and frame, every other instance
// that refreshes at the same time and frame in that run of calls would read
// the very same answers from the host: its refresh keeps the content, and
// every lookup answers exactly as after a refresh of its own.
//
// A run of calls (a round) starts with each rebuild and ends when
//  - the time or the frame changes;
//  - an instance that took part in it refreshes again (the host renders the
//    frame once more, and may have changed the scene in between);
//  - a shader instance is created, destroyed, initialised or cleaned up
//    (endFrameRound): a host changes its scene only between renders, and
//    every render begins with init and ends with cleanup.
// Everything else rebuilds as a refresh always did.
//
// Refreshes the frame snapshot for one shader instance unless the current
// round already holds its content and the instance has not taken part in it.
// `heldRound` is the round the instance last took part in (0: none); the
// instance keeps the result.
uint64_t refreshFrameSnapshotOnce(double time, int frame, uint64_t heldRound);
// Ends the current round: the next refresh rebuilds.
void endFrameRound() noexcept;
// The identifier of the frame snapshot's current content, changed by every
// rebuild (0 before the first). A lookup's answer is the same for as long as
// this stays the same.
uint64_t frameSnapshotContent() noexcept;
// The open round's identifier (the current content's), or 0 outside a round.
uint64_t openFrameRound() noexcept;
// While a round is open: 1 when `item` is one of the objects of the host's
// object walk that the round's rebuild made, 0 when it is not, and `round`
// the round that answered; -1 outside a round or when the rebuild could not
// keep the walk's answer.
int frameRoundSceneObject(ItemID item, uint64_t &round) noexcept;
// A private snapshot at (time, frame), shared with the other private
// snapshots made at the same time and frame in the same open round (they
// would all read the same answers from the host); outside a round, a snapshot
// of its own. Null when memory is short. Never refreshed again.
std::shared_ptr<ItemSnapshot> privateSnapshotAt(double time, int frame) noexcept;

// The fourth of the module-wide objects: the snapshot lock, created before
// the frame snapshot and deleted after it.
struct FrameSnapshotState {
    FrameSnapshotState() noexcept : snapshot(createItemSnapshot()) {}
    ~FrameSnapshotState() { destroyItemSnapshot(snapshot); }
    FrameSnapshotState(const FrameSnapshotState &) = delete;
    FrameSnapshotState &operator=(const FrameSnapshotState &) = delete;

    CriticalSection lock;
    ItemSnapshot *snapshot;

    // Rounds (above): read without the lock by every sample, written under it.
    std::atomic<uint64_t> content{0};
    std::atomic<bool> roundOpen{false};
    // Under the lock: the object walk of the round's rebuild, and the last
    // private snapshot made in the round.
    std::unordered_set<ItemID> objects;
    bool objectsKnown = false;
    std::shared_ptr<ItemSnapshot> sharedPrivate;
    uint64_t sharedPrivateRound = 0;
    double sharedPrivateTime = 0.0;
    int32_t sharedPrivateFrame = 0;
};

// The module frame binds the module's frame snapshot here.
ModuleObjectSlot<FrameSnapshotState> &frameSnapshotSlot() noexcept;

}  // namespace qr
