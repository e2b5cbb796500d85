// The edge shader's panel: controls, data descriptions, hints, and the get and
// set callbacks that bind it to the instance.
#include "shader/edge_shader_panel.h"

#include <array>
#include <cstring>

#include "module_base/callback_guard.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "shader/edge_shader_instance.h"

namespace qr {

namespace {

enum : uint32_t {
    kTabs = 0x800A,
    kBasicPage = 0x800B,
    kAdvancedPage = 0x800C,
    // The four unlabelled groups the pages are made of.
    kLineGroup = 0x800D,
    kMaterialGroup = 0x800E,
    kOverrideGroup = 0x800F,
    kPresetGroup = 0x8010,
};

// Built once: the second setting's label and key are the edition's.
const XPanelControl *controls() {
    static const auto list = std::to_array<XPanelControl>({
        {kShaderLineColor, "Line color : ", "color-env"},
        {kShaderSecond, edition().secondPanelLabel, "percent-env"},
        {kShaderMatId, "Material ID : ", "integer"},
        {kShaderFindUnusedId, "Find unused ID", "vButton"},
        {kShaderOverride, "Override line settings", "iBoolean"},
        {kShaderNormErr, "normal error factor [0-1] : ", "float"},
        {kShaderDistErr, "dist error factor [0-n] : ", "float"},
        {kShaderGetGlobal, "Get global settings", "vButton"},
        {kShaderPreset, "Preset", "vPopCmd"},
        {0, nullptr, nullptr},
    });
    return list.data();
}

const XPanelData *dataDescriptions() {
    static const auto list = std::to_array<XPanelData>({
        {kShaderLineColor, "lcol", "color-env"},
        {kShaderSecond, edition().secondParamKey, "percent-env"},
        {kShaderMatId, "mat_id", "integer"},
        {kShaderOverride, "override_f", "integer"},
        {kShaderNormErr, "norm_err", "float"},
        {kShaderDistErr, "dist_err", "float"},
        {0, nullptr, nullptr},
    });
    return list.data();
}

constexpr const char *kPresetEntries[] = {"Load", "Save", nullptr};
constexpr uint32_t kLineMembers[] = {kShaderLineColor, kShaderSecond, 0};
constexpr uint32_t kMaterialMembers[] = {kShaderMatId, kShaderFindUnusedId, 0};
constexpr uint32_t kOverrideMembers[] = {kShaderOverride, kShaderNormErr, kShaderDistErr, kShaderGetGlobal,
                                         0};
constexpr uint32_t kPresetMembers[] = {kShaderPreset, 0};
constexpr uint32_t kBasicMembers[] = {kLineGroup, kMaterialGroup, 0};
constexpr uint32_t kAdvancedMembers[] = {kOverrideGroup, kPresetGroup, 0};
constexpr uint32_t kPages[] = {kBasicPage, kAdvancedPage, 0};
constexpr int kOnlyWhenOn[] = {0, 1};

XPanelHint hint(int kind, uint32_t id) {
    return XPanelHint{kind, id, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr};
}

XPanelHint labelHint(uint32_t id, const char *text) {
    XPanelHint h = hint(XPH_LABEL, id);
    h.text = text;
    return h;
}

XPanelHint groupHint(uint32_t id, const uint32_t *members) {
    XPanelHint h = hint(XPH_GROUP, id);
    h.ids = members;
    return h;
}

XPanelHint buttonHint(uint32_t id, XPanelButtonFunc *button) {
    XPanelHint h = hint(XPH_BUTNOTIFY, id);
    h.button = button;
    return h;
}

// Enabled only while "Override line settings" is on.
XPanelHint overrideMapHint(uint32_t id) {
    XPanelHint h = hint(XPH_ENABLE_MAP, id);
    h.ref = kShaderOverride;
    h.map = kOnlyWhenOn;
    h.count = 2;
    return h;
}

// The hint list, in the order the panel takes them: title, buttons, pop-up,
// groups, tabs, enable maps.
const XPanelHint *hints() {
    static const auto list = [] {
        XPanelHint entries = hint(XPH_STRLIST, kShaderPreset);
        entries.strings = kPresetEntries;
        XPanelHint popup = hint(XPH_POPCMDFUNC, kShaderPreset);
        popup.popCmd = guarded<presetPopup>;
        XPanelHint tabs = hint(XPH_TABS, kTabs);
        tabs.ids = kPages;
        return std::to_array<XPanelHint>(
            {labelHint(0, edition().panelTitle), buttonHint(kShaderFindUnusedId, guarded<findUnusedIdButton>),
             buttonHint(kShaderGetGlobal, guarded<getGlobalSettingsButton>), entries, popup,
             groupHint(kLineGroup, kLineMembers), groupHint(kMaterialGroup, kMaterialMembers),
             groupHint(kOverrideGroup, kOverrideMembers), groupHint(kPresetGroup, kPresetMembers),
             groupHint(kBasicPage, kBasicMembers), labelHint(kBasicPage, "Basic"),
             groupHint(kAdvancedPage, kAdvancedMembers), labelHint(kAdvancedPage, "Advanced"), tabs,
             overrideMapHint(kShaderNormErr), overrideMapHint(kShaderDistErr),
             overrideMapHint(kShaderGetGlobal), hint(XPH_END, 0)});
    }();
    return list.data();
}

// The colour and the second setting are the variant parameters themselves:
// the host reads and changes them through its own service.
void *getValue(void *instance, uint32_t vid) {
    auto *inst = asShader(instance);
    if (!inst) return nullptr;
    switch (vid) {
    case kShaderLineColor: return inst->lineColor ? inst->lineColor->hostParam() : nullptr;
    case kShaderSecond: return inst->second ? inst->second->hostParam() : nullptr;
    case kShaderMatId: return &inst->line.mat_id;
    case kShaderOverride: return &inst->line.override_f;
    case kShaderNormErr: return &inst->line.norm_err;
    case kShaderDistErr: return &inst->line.dist_err;
    default: return nullptr;
    }
}

int setValue(void *instance, uint32_t vid, void *value) {
    auto *inst = asShader(instance);
    if (!inst || !value) return 0;
    switch (vid) {
    case kShaderLineColor:
    case kShaderSecond: return 1;  // the host changed the parameter itself
    case kShaderMatId: std::memcpy(&inst->line.mat_id, value, sizeof inst->line.mat_id); return 1;
    case kShaderOverride: std::memcpy(&inst->line.override_f, value, sizeof inst->line.override_f); return 1;
    case kShaderNormErr: std::memcpy(&inst->line.norm_err, value, sizeof inst->line.norm_err); return 1;
    case kShaderDistErr: std::memcpy(&inst->line.dist_err, value, sizeof inst->line.dist_err); return 1;
    default: return 0;
    }
}

}  // namespace

XPanelID buildShaderPanel(Instance inst) {
    const XPanelFuncs *xp = panelService();
    if (!xp || !xp->create) return nullptr;
    XPanelID panel = xp->create(XPANEL_VIEW, controls());
    if (!panel) return nullptr;
    if (xp->hint) xp->hint(panel, 0, hints());
    if (xp->describe) xp->describe(panel, dataDescriptions(), guarded<getValue>, guarded<setValue>);
    if (xp->viewInst) xp->viewInst(panel, inst);
    if (xp->setData) xp->setData(panel, 0, inst);
    return panel;
}

}  // namespace qr
