#include "shader/edge_shader_params.h"

#include "module_base/edition.h"

namespace qr {

namespace {

ParamEntry entryFor(ShaderParam param, EdgeShaderInstance &inst) {
    switch (param) {
    case ShaderParam::LineColor: return {"lcol", SETTINGS_TYPE_VPARAM, inst.lineColor, 1, nullptr, nullptr};
    case ShaderParam::SecondSetting:
        return {edition().secondParamKey, SETTINGS_TYPE_VPARAM, inst.second, 1, nullptr, nullptr};
    case ShaderParam::MatId: return {"mat_id", SETTINGS_TYPE_INT, &inst.line.mat_id, 1, nullptr, nullptr};
    case ShaderParam::OverrideF:
        return {"override_f", SETTINGS_TYPE_INT, &inst.line.override_f, 1, nullptr, nullptr};
    case ShaderParam::NormErr:
        return {"norm_err", SETTINGS_TYPE_DOUBLE, &inst.line.norm_err, 1, nullptr, nullptr};
    case ShaderParam::DistErr:
        return {"dist_err", SETTINGS_TYPE_DOUBLE, &inst.line.dist_err, 1, nullptr, nullptr};
    }
    return {nullptr, 0, nullptr, 0, nullptr, nullptr};
}

}  // namespace

EdgeShaderTable::EdgeShaderTable(EdgeShaderInstance &inst) : entries{} {
    int n = 0;
    for (ShaderParam param : edition().shaderParamOrder) {
        if (n >= 6) break;
        entries[n++] = entryFor(param, inst);
    }
    entries[n] = {nullptr, 0, nullptr, 0, nullptr, nullptr};
}

}  // namespace qr
