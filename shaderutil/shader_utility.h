// The shader utility: a generic command that adds the module's edge shader
// to, or removes it from, every surface of all objects or of the selected
// ones, optionally loading a preset into every shader it adds.
#pragma once

#include <string>
#include <vector>

#include "host/handler.h"
#include "host/module_descriptor.h"

namespace qr {

// The whole command, run inside the generic activation after the services
// were acquired: the dialog, then the surface pass. `generic` is the host's
// command record (nothing is done without it).
void runShaderUtility(GlobalFunc *global, LayoutGeneric *generic);

enum class UtilityTarget { All = 0, Selected = 1 };
enum class UtilityAction { Apply = 0, Remove = 1 };

struct UtilityChoice {
    UtilityTarget target = UtilityTarget::All;
    UtilityAction action = UtilityAction::Apply;
};

// The dialog ("LWPanelServices"): empties the module's preset path, shows
// the choices and the preset file, and on OK stores the chosen file as the
// preset path. False when the user cancelled or the dialog could not be
// shown.
bool askUtilityChoice(GlobalFunc *global, UtilityChoice &choice);

// The object file names of the selected objects; other selected items are
// left out.
std::vector<std::string> selectedObjectFiles();

// Issues "Surf_SetSurf <surface> <object>" and then "Surf_AddShader <shader>"
// or "Surf_RemShader <shader>" for every surface of every object (only those
// loaded from one of `filter`'s files when it is given), with the applying
// flag set. A surface whose command would not fit the command buffer is
// skipped.
void runSurfacePass(const LayoutGeneric &generic, UtilityAction action,
                    const std::vector<std::string> *filter);

}  // namespace qr
