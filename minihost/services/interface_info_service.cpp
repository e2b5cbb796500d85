// "LW Interface Info 3": the items the scene file marks "selected" and the
// time of the first frame.
#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

const ItemID *selectedItems() {
    static const ItemID none[1] = {ITEM_NULL};
    const auto &sel = activeScene().selection;
    return sel.empty() ? none : sel.data();
}

double currentTime() { return activeScene().currentTime; }

InterfaceInfo record = {guardedService<"InterfaceInfo.selectedItems", selectedItems>,
                        guardedService<"InterfaceInfo.currentTime", currentTime>};

}  // namespace

InterfaceInfo *interfaceInfoRecord() { return &record; }

}  // namespace minihost
