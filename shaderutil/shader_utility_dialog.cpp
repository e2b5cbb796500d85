// The shader utility's dialog: two choices, a dividing line and the preset
// file, at the positions the host's layout expects.
#include <cstring>

#include "host/panel_services.h"
#include "module_base/edition.h"
#include "module_base/pending_preset.h"
#include "shaderutil/shader_utility.h"

namespace qr {

namespace {

constexpr int kPanelFlags = PANEL_FLAG_BLOCKING | PANEL_FLAG_CANCEL | PANEL_FLAG_FRAME;  // 7
constexpr int kAreaWidth = 280;
constexpr int kAreaHeight = 1;
constexpr int kFileWidthChars = 40;

constexpr const char *kTargets[] = {"All", "Selected", nullptr};
constexpr const char *kActions[] = {"Apply", "Remove", nullptr};

void setInt(PanelControl *c, int attr, int v) {
    PanelValue pv{VALUE_INTEGER, v, 0.0, nullptr, 0};
    c->set(c, attr, &pv);
}

PanelControl *addPlaced(PanelServices &ps, PanelID panel, const char *kind, const ControlDesc &desc,
                        const char *label, int x, int y) {
    PanelControl *c = ps.addControl(panel, kind, &desc, label);
    if (!c || !c->get || !c->set) return nullptr;
    setInt(c, CTL_X, x);
    setInt(c, CTL_Y, y);
    return c;
}

int intValue(PanelControl *c) {
    PanelValue pv{VALUE_INTEGER, 0, 0.0, nullptr, 0};
    c->get(c, CTL_VALUE, &pv);
    return pv.intv;
}

// Owns the panel: destroyed on every path.
struct PanelOwner {
    PanelServices &ps;
    PanelID panel;
    ~PanelOwner() { ps.destroy(panel); }
};

}  // namespace

bool askUtilityChoice(GlobalFunc *global, UtilityChoice &choice) {
    PendingPreset &preset = pendingPreset();
    preset.clearPath();  // every run starts without a preset
    char presetPath[PendingPreset::kPathSize] = {};
    auto *ps = global ? static_cast<PanelServices *>(global(SERVICE_PANEL_SERVICES, 0)) : nullptr;
    if (!ps || !ps->create || !ps->destroy || !ps->addControl || !ps->open) return false;
    ps->globalFun = global;
    PanelID panel = ps->create(edition().title);
    if (!panel) return false;
    PanelOwner owner{*ps, panel};

    PanelControl *target = addPlaced(*ps, panel, "ChoiceControl", {CTL_KIND_CHOICE, 0, 0, kTargets, 0},
                                     "Target object : ", 23, 0);
    PanelControl *action = addPlaced(*ps, panel, "ChoiceControl", {CTL_KIND_CHOICE, 0, 0, kActions, 0},
                                     "Shader action : ", 21, 24);
    PanelControl *area =
        addPlaced(*ps, panel, "AreaControl", {CTL_KIND_AREA, kAreaWidth, kAreaHeight, nullptr, 0}, "", 8, 52);
    PanelControl *file = addPlaced(*ps, panel, "FileControl", {CTL_KIND_FILE, kFileWidthChars, 0, nullptr, 0},
                                   "Preset : ", 8, 60);
    // A dialog that lacks a control could not give every answer back.
    if (!target || !action || !area || !file) return false;
    setInt(target, CTL_VALUE, 0);
    setInt(action, CTL_VALUE, 0);
    PanelValue shown{VALUE_STRING, 0, 0.0, presetPath, PendingPreset::kPathSize};
    file->set(file, CTL_VALUE, &shown);

    if (ps->open(panel, kPanelFlags) == 0) return false;

    choice.target = intValue(target) == 1 ? UtilityTarget::Selected : UtilityTarget::All;
    choice.action = intValue(action) == 1 ? UtilityAction::Remove : UtilityAction::Apply;
    PanelValue chosen{VALUE_STRING, 0, 0.0, presetPath, PendingPreset::kPathSize};
    file->get(file, CTL_VALUE, &chosen);
    // A host that filled the buffer without ending the path gave one too long
    // for it: no preset then, rather than a cut path naming another file.
    if (presetPath[PendingPreset::kPathSize - 1] == '\0') preset.setPath(presetPath);
    return true;
}

}  // namespace qr
