#include "tracer_s/trace_step1_params.h"

namespace qr::tracer_s {

TraceStep1ParamTable traceStep1Params(TraceStep1Instance &inst) {
    return TraceStep1ParamTable{{
        {"brush_rotate", SETTINGS_TYPE_DOUBLE, &inst.brush_rotate, 1, nullptr, nullptr},
        {"brush_squash", SETTINGS_TYPE_DOUBLE, &inst.brush_squash, 1, nullptr, nullptr},
        {"norm_err", SETTINGS_TYPE_DOUBLE, &inst.norm_err, 1, nullptr, nullptr},
        {"dist_err", SETTINGS_TYPE_DOUBLE, &inst.dist_err, 1, nullptr, nullptr},
        {"dist_range", SETTINGS_TYPE_DOUBLE, &inst.dist_range, 1, nullptr, nullptr},
        {"only_line", SETTINGS_TYPE_INT, &inst.only_line, 1, nullptr, nullptr},
        {"aa_sample", SETTINGS_TYPE_INT, &inst.aa_sample, 1, nullptr, nullptr},
        {"aa_jitter", SETTINGS_TYPE_DOUBLE, &inst.aa_jitter, 1, nullptr, nullptr},
        {"brush_min", SETTINGS_TYPE_DOUBLE, &inst.brush_min, 1, nullptr, nullptr},
        {"brush_max", SETTINGS_TYPE_DOUBLE, &inst.brush_max, 1, nullptr, nullptr},
        {"mat_edge", SETTINGS_TYPE_DOUBLE, &inst.mat_edge, 1, nullptr, nullptr},
        {"noise_size", SETTINGS_TYPE_DOUBLE, &inst.noise_size, 1, nullptr, nullptr},
        {nullptr, 0, nullptr, 0, nullptr, nullptr},
    }};
}

}  // namespace qr::tracer_s
