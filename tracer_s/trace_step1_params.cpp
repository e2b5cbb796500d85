#include "tracer_s/trace_step1_params.h"

namespace qr::tracer_s {

TraceStep1ParamTable traceStep1Params(TraceStep1Instance &inst) {
    return TraceStep1ParamTable{{
        {"brush_rotate", kParamDouble, &inst.brush_rotate, 1, nullptr, nullptr},
        {"brush_squash", kParamDouble, &inst.brush_squash, 1, nullptr, nullptr},
        {"norm_err", kParamDouble, &inst.norm_err, 1, nullptr, nullptr},
        {"dist_err", kParamDouble, &inst.dist_err, 1, nullptr, nullptr},
        {"dist_range", kParamDouble, &inst.dist_range, 1, nullptr, nullptr},
        {"only_line", kParamInt, &inst.only_line, 1, nullptr, nullptr},
        {"aa_sample", kParamInt, &inst.aa_sample, 1, nullptr, nullptr},
        {"aa_jitter", kParamDouble, &inst.aa_jitter, 1, nullptr, nullptr},
        {"brush_min", kParamDouble, &inst.brush_min, 1, nullptr, nullptr},
        {"brush_max", kParamDouble, &inst.brush_max, 1, nullptr, nullptr},
        {"mat_edge", kParamDouble, &inst.mat_edge, 1, nullptr, nullptr},
        {"noise_size", kParamDouble, &inst.noise_size, 1, nullptr, nullptr},
        {nullptr, 0, nullptr, 0, nullptr, nullptr},
    }};
}

}  // namespace qr::tracer_s
