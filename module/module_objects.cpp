// The module's one set of module-wide objects.
//
// This file is linked whole into each module (and into each test or
// benchmark program that runs module code), never picked from an archive, so
// the objects exist from load to unload whether or not anything names them.
#include "module/module_objects.h"

#include "store/store_lock.h"

namespace qr {

ModuleObjects::ModuleObjects() noexcept {
    storeLockSlot().bind(&storeLock);
    shaderInstanceListSlot().bind(&shaderInstances);
    presetRequesterSlot().bind(&presetRequester);
    frameSnapshotSlot().bind(&frameSnapshot);
    textureSupportTablesSlot().bind(&textureTables);
}

ModuleObjects::~ModuleObjects() {
    textureSupportTablesSlot().bind(nullptr);
    frameSnapshotSlot().bind(nullptr);
    presetRequesterSlot().bind(nullptr);
    shaderInstanceListSlot().bind(nullptr);
    storeLockSlot().bind(nullptr);
}

namespace {
ModuleObjects objects;
}  // namespace

}  // namespace qr
