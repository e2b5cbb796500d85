// The stroke edition, deliverable QM_Quillrim_S.
#include "module_base/edition.h"
#include "module_base/server_names.h"

namespace qr {

namespace {

constexpr ServiceId kServices[] = {
    ServiceId::ItemInfo,     ServiceId::LightInfo,     ServiceId::ObjectInfo,   ServiceId::SceneInfo,
    ServiceId::CameraInfo,   ServiceId::RenderMemory,  ServiceId::ImageList,    ServiceId::SurfaceFuncs,
    ServiceId::SceneObjects, ServiceId::InterfaceInfo, ServiceId::InfoMessages, ServiceId::Monitor,
    ServiceId::FileIO,
};

constexpr const char *kStoreBuffers[] = {
    "QM's Quillrim_S STINFO:Buff1", "QM's Quillrim_S STINFO:Buff2", "QM's Quillrim_S STINFO:Buff3",
    "QM's Quillrim_S STINFO:Buff4", "QM's Quillrim_S STINFO:Buff5", "QM's Quillrim_S STINFO:Buff6",
};

constexpr ShaderParam kShaderParams[] = {
    ShaderParam::LineColor, ShaderParam::SecondSetting, ShaderParam::MatId,
    ShaderParam::OverrideF, ShaderParam::NormErr,       ShaderParam::DistErr,
};

}  // namespace

const Edition kStrokeEdition = {
    .kind = EditionKind::Stroke,
    .moduleName = "QM_Quillrim_S",
    .title = "QM's Quill-Rim (Grade-S) version 0.18a",
    .panelTitle = "QM's Quill-Rim (Grade-S) version 0.18a Options",
    .messageSource = "QM_Quillrim_S",
    .shaderServer = kStrokeShaderServer,
    .tracerServer = kTraceStep1Server,
    .imageFilterServer = kTraceStep2Server,
    .shaderUtilServer = kStrokeShaderUtilServer,
    .acquiredServices = kServices,
    .storeHeaderName = "QM's Quillrim_S STINFO",
    .storeBufferNames = kStoreBuffers,
    .pixelDataName = "QM's Quillrim_S PixelData",
    .secondVparamName = "line_boost",
    .secondParamKey = "boost",
    .secondPanelLabel = "Line width boost : ",
    .secondDefault = 0.0,
    .shaderNormErr = 0.1,
    .shaderDistErr = 0.02,
    .shaderFlags = 0x43A,
    .shaderParamOrder = kShaderParams,
    .presetOpenTitle = "Open Quillrim_S preset",
    .presetSaveTitle = "Save Quillrim_S preset",
    .presetExtension = "qvx",
    .tracerNormErr = 0.1,
    .tracerDistErr = 0.02,
    .tracerFlags = 0x8000002Fu,
    .imageFilterFlags = 35,
};

}  // namespace qr
