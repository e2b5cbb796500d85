// The parameter tables TraceStep1 and TraceStep2 save and load.
#pragma once

#include "paramlib/param_block.h"
#include "tracer_s/trace_step1_instance.h"

namespace qr::tracer_s {

inline constexpr int kTraceStep1ParamCount = 12;

// The twelve settings, in the order they are written, plus the end entry; the
// entries point into `inst`.
struct TraceStep1ParamTable {
    ParamEntry entries[kTraceStep1ParamCount + 1];
};
TraceStep1ParamTable traceStep1Params(TraceStep1Instance &inst);

// TraceStep2 has no settings: only the end entry.
inline constexpr ParamEntry kTraceStep2Params[] = {{nullptr, 0, nullptr, 0, nullptr, nullptr}};

}  // namespace qr::tracer_s
