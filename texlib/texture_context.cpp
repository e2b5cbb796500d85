// The shared texture context and its extra gradient inputs.
//
// The context offers 36 inputs to every textured variant parameter. The host
// calls the time callback once per evaluated time (it takes an item snapshot
// then), the evaluate callback per spot, and the cleanup callback to release
// the time record.
#include "texlib/texture_context.h"

#include <memory>
#include <new>

#include "module_base/callback_guard.h"
#include "module_base/module_state.h"
#include "texlib/gradient_inputs.h"
#include "texlib/item_snapshot.h"
#include "texlib/texture_support_tables.h"

namespace qr {

namespace {

constexpr double kHalfPi = 1.5707963267948966;

// Name, range, value kind, flags, item type; the selected item and the item
// name start empty.
constexpr struct InputRow {
    const char *name;
    double start, end;
    int valueKind, flags, itemType;
} kInputs[] = {
    {"Bump", 0.0, 1.0, 2, 4, -1},
    {"Slope", 0.0, 1.0, 2, 12, -1},
    {"Incidence Angle", 0.0, kHalfPi, 5, 12, -1},
    {"Light Incidence", 0.0, kHalfPi, 5, 12, 1},
    {"Distance to Camera", 0.0, 10.0, 3, 4, 2},
    {"Distance to Object", 0.0, 10.0, 3, 4, 0},
    {"X Distance to Object", 0.0, 10.0, 3, 4, 0},
    {"Y Distance to Object", 0.0, 10.0, 3, 4, 0},
    {"Z Distance to Object", 0.0, 10.0, 3, 4, 0},
    {"Weight Map", -1.0, 1.0, 4, 4, 4},
    {"Surface Thickness", 0.0, 1.0, 3, 4, -1},
    {"Object X Axis", -kHalfPi, kHalfPi, 5, 12, 0},
    {"Object Y Axis", -kHalfPi, kHalfPi, 5, 12, 0},
    {"Object Z Axis", -kHalfPi, kHalfPi, 5, 12, 0},
    {"World X Axis", -kHalfPi, kHalfPi, 5, 12, -1},
    {"World Y Axis", -kHalfPi, kHalfPi, 5, 12, -1},
    {"World Z Axis", -kHalfPi, kHalfPi, 5, 12, -1},
    {"XY Distance to Object", 0.0, 10.0, 3, 4, 0},
    {"YZ Distance to Object", 0.0, 10.0, 3, 4, 0},
    {"ZX Distance to Object", 0.0, 10.0, 3, 4, 0},
    {"Light Specular Incidence", 0.0, 1.0, 2, 12, 1},
    {"Light Phong Incidence", 0.0, 1.0, 2, 12, 1},
    {"Gradient Ambient", 0.0, 1.0, 2, 4, -1},
    {"Gradient Diffuse", 0.0, 1.0, 2, 4, -1},
    {"Gradient Specular", 0.0, 1.0, 2, 4, -1},
    {"Gradient Phong", 0.0, 1.0, 2, 4, -1},
    {"Ambient Occlusion (Preview)", 0.0, 1.0, 2, 12, -1},
    {"Ambient Occlusion (Low)", 0.0, 1.0, 2, 12, -1},
    {"Ambient Occlusion (Medium)", 0.0, 1.0, 2, 12, -1},
    {"Ambient Occlusion (High)", 0.0, 1.0, 2, 12, -1},
    {"Ambient Occlusion (Very High)", 0.0, 1.0, 2, 12, -1},
    {"Half Occlusion (Preview)", 0.0, 1.0, 2, 12, -1},
    {"Half Occlusion (Low)", 0.0, 1.0, 2, 12, -1},
    {"Half Occlusion (Medium)", 0.0, 1.0, 2, 12, -1},
    {"Half Occlusion (High)", 0.0, 1.0, 2, 12, -1},
    {"Half Occlusion (Very High)", 0.0, 1.0, 2, 12, -1},
};
constexpr int kInputCount = static_cast<int>(sizeof kInputs / sizeof kInputs[0]);
static_assert(kInputCount == kGradientInputCount);

// The record the host holds, with what keeps its snapshot alive: records
// made at the same time of one frame share one snapshot (privateSnapshotAt).
struct OwnedTimeRecord {
    InputTimeRecord record;
    std::shared_ptr<ItemSnapshot> owner;
};

double evaluateInput(TxtrInputParam *param, int inputNumber, TexturedSpot *spot, void *timeData) {
    if (inputNumber < 1 || inputNumber > kInputCount) return 1.0;
    if (!spot) return 0.0;
    const auto *owned = static_cast<const OwnedTimeRecord *>(timeData);
    return evaluateGradientInput(param, inputNumber, *spot, owned ? &owned->record : nullptr);
}

void *prepareTime(void *, TxtrInputParam *param, int, double time, int frame) {
    if (!param) return nullptr;
    auto *owned = new (std::nothrow) OwnedTimeRecord{{time, frame, nullptr}, privateSnapshotAt(time, frame)};
    if (owned) owned->record.snapshot = owned->owner.get();
    return owned;
}

void releaseTime(TxtrInputParam *, int, void *timeData) { delete static_cast<OwnedTimeRecord *>(timeData); }

}  // namespace

TxtrContextID sharedTextureContext() {
    acquireSupportServices();
    TextureSupportTables &tables = textureSupportTables();
    if (tables.sharedContext) return tables.sharedContext;
    GlobalFunc *global = hostLookup();
    auto *tf = global ? static_cast<TextureFuncs *>(global(SERVICE_TEXTURE_FUNCS, 0)) : nullptr;
    if (!tf || !tf->contextCreate) return nullptr;
    tables.sharedContext =
        tf->contextCreate(TxtrInputFuncs{guarded<evaluateInput>, guarded<prepareTime>, guarded<releaseTime>});
    if (tables.sharedContext && tf->contextAddInput)
        for (const InputRow &row : kInputs)
            tf->contextAddInput(tables.sharedContext,
                                TxtrInputParam{row.name, row.start, row.end, row.valueKind, row.flags,
                                               row.itemType, 0, nullptr});
    return tables.sharedContext;
}

TextureSupportTables::~TextureSupportTables() {
    if (!sharedContext) return;
    GlobalFunc *global = hostLookup();
    auto *tf = global ? static_cast<TextureFuncs *>(global(SERVICE_TEXTURE_FUNCS, 0)) : nullptr;
    if (tf && tf->contextDestroy) tf->contextDestroy(sharedContext);
    sharedContext = nullptr;
}

}  // namespace qr
