// Everything that differs between the two deliverables, in one constant record
// per edition. Shared code reads the current edition through edition(); each
// module's own translation unit chooses its record when the module is loaded.
#pragma once

#include <cstdint>
#include <span>

#include "module_base/service_table.h"

namespace qr {

enum class EditionKind { Stroke, Line };

// The edge shader's saved parameters; each edition writes them in its own order.
enum class ShaderParam { LineColor, SecondSetting, MatId, OverrideF, NormErr, DistErr };

struct Edition {
    EditionKind kind;

    // Names as the host and the user see them.
    const char *moduleName;     // "QM_Quillrim_S": the prefix of every server name
    const char *title;          // instance descriptions, dialog and monitor titles
    const char *panelTitle;     // title + " Options", for the "LWXPanel" panels
    const char *messageSource;  // first line of user messages; null: the edition shows none

    // Servers.
    const char *shaderServer;       // "QM_Quillrim_S:Shader"
    const char *tracerServer;       // "QM_Quillrim_S:TraceStep1" or "QM_Quillrim_P:Tracer"
    const char *imageFilterServer;  // "QM_Quillrim_S:TraceStep2"; null in the line edition
    const char *shaderUtilServer;   // "QM_Quillrim_S:ShaderUtil"

    // Host services asked for at every handler and generic activation, in order.
    std::span<const ServiceId> acquiredServices;

    // Sample store blocks in render memory.
    const char *storeHeaderName;
    std::span<const char *const> storeBufferNames;  // Buff1, Buff2, ... in order
    const char *pixelDataName;                      // null in the line edition

    // Edge shader.
    const char *secondVparamName;  // "line_boost" or "line_density"
    const char *secondParamKey;    // "boost" or "lpow"
    const char *secondPanelLabel;  // "Line width boost : " or "Line opacity : "
    double secondDefault;          // 0 (no boost) or 1 (opaque)
    double shaderNormErr;
    double shaderDistErr;
    uint32_t shaderFlags;  // the host's shader flag bits
    std::span<const ShaderParam> shaderParamOrder;

    // Presets of the edge shader.
    const char *presetOpenTitle;
    const char *presetSaveTitle;
    const char *presetExtension;  // without the dot

    // Tracer.
    double tracerNormErr;
    double tracerDistErr;
    uint32_t tracerFlags;       // pixel filter's request mask
    uint32_t imageFilterFlags;  // TraceStep2's request mask; 0 in the line edition
};

extern const Edition kStrokeEdition;
extern const Edition kLineEdition;

// The edition of the module this code runs in. Each module sets it at load;
// white-box tests choose one with setEdition before using edition-dependent code.
const Edition &edition();
void setEdition(const Edition *chosen);

}  // namespace qr
