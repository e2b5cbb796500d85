// The shader panel's actions: "Find unused ID", "Get global settings" and the
// "Preset" pop-up. Each finds its instance as the panel's user data.
#include <memory>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "module_base/tracer_tolerances.h"
#include "paramlib/file_requester.h"
#include "shader/edge_shader_callbacks.h"
#include "shader/edge_shader_instance.h"
#include "shader/edge_shader_panel.h"
#include "shader/shader_instance_list.h"

namespace qr {

namespace {

EdgeShaderInstance *panelInstance(XPanelID panel) {
    const XPanelFuncs *xp = panelService();
    if (!xp || !xp->getData || !panel) return nullptr;
    return asShader(xp->getData(panel, 0));
}

void refresh(XPanelID panel) {
    const XPanelFuncs *xp = panelService();
    if (xp && xp->viewRefresh) xp->viewRefresh(panel);
}

// Opens the preset file as a load or save state, runs `use` on it and closes
// it on every path. A file that does not open does nothing.
template <typename State, typename Use>
void withPresetFile(State *(*open)(const char *, int), void (*close)(State *), const std::string &path,
                    Use use) {
    if (!open || !close) return;
    std::unique_ptr<State, void (*)(State *)> state(open(path.c_str(), 0), close);
    if (state) use(state.get());
}

}  // namespace

void findUnusedIdButton(XPanelID panel, int) {
    EdgeShaderInstance *inst = panelInstance(panel);
    if (!inst) return;
    // The list is read under its lock; the instance's own field is written
    // after the lock is released.
    inst->line.mat_id = unusedMaterialId(inst);
    refresh(panel);
}

void getGlobalSettingsButton(XPanelID panel, int) {
    EdgeShaderInstance *inst = panelInstance(panel);
    TracerTolerances tolerances{};
    if (!inst || !currentTracerTolerances(tolerances)) return;
    inst->line.norm_err = tolerances.normErr;
    inst->line.dist_err = tolerances.distErr;
    refresh(panel);
}

void presetPopup(XPanelID panel, int, int entry) {
    EdgeShaderInstance *inst = panelInstance(panel);
    const FileIOFuncs *fileIO = services().fileIO;
    if (!inst || !presetRequesterSlot().bound()) return;
    FileRequester &requester = *presetRequesterSlot();
    const Edition &ed = edition();
    if (entry == 0) {
        if (!requester.request(ed.presetOpenTitle, ed.presetExtension, false) || !fileIO) return;
        bool opened = false;
        withPresetFile<LoadState>(fileIO->openLoad, fileIO->closeLoad, requester.fullPath(),
                                  [&](LoadState *ls) {
                                      opened = true;
                                      loadEdgeShader(inst, ls);
                                  });
        // A file that is not a preset leaves the instance as it was, and the
        // panel is refreshed all the same.
        if (opened) refresh(panel);
    } else {
        if (!requester.request(ed.presetSaveTitle, ed.presetExtension, true) || !fileIO) return;
        withPresetFile<SaveState>(fileIO->openSave, fileIO->closeSave, requester.fullPath(),
                                  [&](SaveState *ss) { saveEdgeShader(inst, ss); });
    }
}

}  // namespace qr
