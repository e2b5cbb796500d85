// The shader utility's surface pass: two host commands per surface, the
// selection first, for every surface of every chosen object.
#include <cstdio>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "module_base/pending_preset.h"
#include "shaderutil/shader_utility.h"

namespace qr {

namespace {

// Commands are formatted into a buffer of this size.
constexpr int kCommandSize = 1024;
// A selection list that never ends is cut here rather than read for ever.
constexpr int kMaxSelectedItems = 1 << 20;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(const std::string &a, const char *b) {
    std::size_t i = 0;
    for (; i < a.size(); ++i)
        if (b[i] == '\0' || lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return b[i] == '\0';
}

bool inFilter(const std::vector<std::string> &filter, const char *file) {
    for (const std::string &name : filter)
        if (equalIgnoringCase(name, file)) return true;
    return false;
}

// The result of a snprintf into a command buffer: false when the command
// did not fit.
bool fits(int written) { return written >= 0 && written < kCommandSize; }

// The applying flag is cleared however the pass ends.
struct ApplyingFlag {
    ApplyingFlag() { pendingPreset().startApplying(); }
    ~ApplyingFlag() { pendingPreset().stopApplying(); }
    ApplyingFlag(const ApplyingFlag &) = delete;
    ApplyingFlag &operator=(const ApplyingFlag &) = delete;
};

// The names of an object's surfaces, taken before any command changes the
// scene (the host's list is valid only until then).
std::vector<std::string> surfaceNames(const SurfaceFuncs &sf, const char *objectFile) {
    std::vector<std::string> names;
    const SurfaceID *surfaces = sf.byObject ? sf.byObject(objectFile) : nullptr;
    for (int i = 0; surfaces && surfaces[i]; ++i) {
        const char *name = sf.name ? sf.name(surfaces[i]) : nullptr;
        if (name) names.emplace_back(name);
    }
    return names;
}

}  // namespace

std::vector<std::string> selectedObjectFiles() {
    std::vector<std::string> files;
    const ServiceTable &s = services();
    if (!s.interfaceInfo || !s.interfaceInfo->selectedItems || !s.itemInfo || !s.itemInfo->type ||
        !s.objectInfo || !s.objectInfo->filename)
        return files;
    const ItemID *selected = s.interfaceInfo->selectedItems();
    for (int i = 0; selected && i < kMaxSelectedItems && selected[i] != ITEM_NULL; ++i) {
        if (s.itemInfo->type(selected[i]) != ITEM_TYPE_OBJECT) continue;
        if (const char *file = s.objectInfo->filename(selected[i])) files.emplace_back(file);
    }
    return files;
}

void runSurfacePass(const LayoutGeneric &generic, UtilityAction action,
                    const std::vector<std::string> *filter) {
    const ServiceTable &s = services();
    const SceneObjects *objects = s.sceneObjects;
    const SurfaceFuncs *surfaces = s.surfaceFuncs;
    if (!generic.evaluate || !objects || !objects->numObjects || !objects->filename || !objects->refName ||
        !surfaces)
        return;
    const char *shader = edition().shaderServer;
    char select[kCommandSize];
    char command[kCommandSize];
    ApplyingFlag applying;
    const int count = objects->numObjects();
    for (int obj = 0; obj < count; ++obj) {
        const char *name = objects->refName(obj);
        const char *file = objects->filename(obj);
        if (!name || !file) continue;
        if (filter && !inFilter(*filter, file)) continue;
        // Copied too: the commands may change what the host's names point at.
        const std::string commandName = name;
        for (const std::string &surface : surfaceNames(*surfaces, file)) {
            // A surface whose commands would not fit is skipped whole, so that
            // no shader goes to the surface selected before it.
            const int selected = std::snprintf(select, kCommandSize, "Surf_SetSurf %s %s", surface.c_str(),
                                               commandName.c_str());
            const int changed = action == UtilityAction::Apply
                                    ? std::snprintf(command, kCommandSize, "Surf_AddShader %s", shader)
                                    : std::snprintf(command, kCommandSize, "Surf_RemShader %s", shader);
            if (!fits(selected) || !fits(changed)) continue;
            generic.evaluate(generic.data, select);
            generic.evaluate(generic.data, command);
        }
    }
}

}  // namespace qr
