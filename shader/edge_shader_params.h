// The edge shader's parameter table: six entries in the edition's order
// ("lcol", the second setting, "mat_id", "override_f", "norm_err",
// "dist_err"), pointing into one instance.
#pragma once

#include "paramlib/param_block.h"
#include "shader/edge_shader_instance.h"

namespace qr {

// Built afresh for every load and save; valid while the instance lives.
struct EdgeShaderTable {
    ParamEntry entries[7];
    explicit EdgeShaderTable(EdgeShaderInstance &inst);
};

}  // namespace qr
