// The line edition, deliverable QM_Quillrim_P.
#include "module_base/edition.h"
#include "module_base/server_names.h"

namespace qr {

namespace {

// No "Info Messages 2" and no "LWLMonFuncs": the line edition shows no
// messages and has no progress monitor.
constexpr ServiceId kServices[] = {
    ServiceId::ItemInfo,     ServiceId::LightInfo,     ServiceId::ObjectInfo, ServiceId::SceneInfo,
    ServiceId::CameraInfo,   ServiceId::RenderMemory,  ServiceId::ImageList,  ServiceId::SurfaceFuncs,
    ServiceId::SceneObjects, ServiceId::InterfaceInfo, ServiceId::FileIO,
};

constexpr const char *kStoreBuffers[] = {
    "QM's Quillrim_P STINFO:Buff1", "QM's Quillrim_P STINFO:Buff2", "QM's Quillrim_P STINFO:Buff3",
    "QM's Quillrim_P STINFO:Buff4", "QM's Quillrim_P STINFO:Buff5",
};

constexpr ShaderParam kShaderParams[] = {
    ShaderParam::LineColor, ShaderParam::SecondSetting, ShaderParam::OverrideF,
    ShaderParam::NormErr,   ShaderParam::DistErr,       ShaderParam::MatId,
};

}  // namespace

const Edition kLineEdition = {
    .kind = EditionKind::Line,
    .moduleName = "QM_Quillrim_P",
    .title = "QM's Quill-Rim (Grade-P) version 0.16a",
    .panelTitle = "QM's Quill-Rim (Grade-P) version 0.16a Options",
    .messageSource = nullptr,
    .shaderServer = kLineShaderServer,
    .tracerServer = kLineTracerServer,
    .imageFilterServer = nullptr,
    .shaderUtilServer = kLineShaderUtilServer,
    .acquiredServices = kServices,
    .storeHeaderName = "QM's Quillrim_P STINFO",
    .storeBufferNames = kStoreBuffers,
    .pixelDataName = nullptr,
    .secondVparamName = "line_density",
    .secondParamKey = "lpow",
    .secondPanelLabel = "Line opacity : ",
    .secondDefault = 1.0,
    .shaderNormErr = 0.15,
    .shaderDistErr = 0.02,
    .shaderFlags = 0x402,
    .shaderParamOrder = kShaderParams,
    .presetOpenTitle = "Open Quillrim_P preset",
    .presetSaveTitle = "Save Quillrim_P preset",
    .presetExtension = "qvy",
    .tracerNormErr = 0.15,
    .tracerDistErr = 0.02,
    .tracerFlags = 0x8000002Fu,
    .imageFilterFlags = 0,
};

}  // namespace qr
