// The line tracer's load and save: the version 256, then a parameter block of
// "line_only", "norm_err" and "dist_err".
#include "paramlib/param_block.h"
#include "tracer_p/line_tracer.h"
#include "tracer_p/line_tracer_callbacks.h"

namespace qr {
namespace {

// Built afresh at every call, pointing into the instance.
struct LineTracerTable {
    ParamEntry entries[4];
    explicit LineTracerTable(LineTracer &t)
            : entries{{"line_only", SETTINGS_TYPE_INT, &t.line_only, 1, nullptr, nullptr},
                      {"norm_err", SETTINGS_TYPE_DOUBLE, &t.norm_err, 1, nullptr, nullptr},
                      {"dist_err", SETTINGS_TYPE_DOUBLE, &t.dist_err, 1, nullptr, nullptr},
                      {nullptr, 0, nullptr, 0, nullptr, nullptr}} {}
};

}  // namespace

const char *loadLineTracer(Instance inst, const LoadState *ls) {
    if (!inst || !ls) return nullptr;
    LineTracerTable table(*static_cast<LineTracer *>(inst));
    readVersionedParamBlock(ls, table.entries);
    return nullptr;
}

const char *saveLineTracer(Instance inst, const SaveState *ss) {
    if (!inst || !ss) return nullptr;
    LineTracerTable table(*static_cast<LineTracer *>(inst));
    writeVersionedParamBlock(ss, table.entries);
    return nullptr;
}

}  // namespace qr
