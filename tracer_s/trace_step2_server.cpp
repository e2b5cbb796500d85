// TraceStep2's handler callbacks: an instance that holds only its description,
// an empty parameter block, and process.
#include <cstdio>
#include <new>

#include "tracer_s/trace_step2_server.h"

#include "module_base/callback_guard.h"
#include "module_base/edition.h"
#include "tracer_s/composite.h"
#include "tracer_s/trace_step1_params.h"
#include "tracer_s/trace_step2_process.h"

namespace qr {

namespace {

using tracer_s::TraceStep2Instance;

Instance create(void *, void *, const char **) { return new (std::nothrow) TraceStep2Instance(); }

void destroy(Instance inst) { delete static_cast<TraceStep2Instance *>(inst); }

const char *copy(Instance to, Instance from) {
    if (to && from && to != from)
        *static_cast<TraceStep2Instance *>(to) = *static_cast<const TraceStep2Instance *>(from);
    return nullptr;
}

const char *load(Instance, const LoadState *ls) {
    if (ls) readVersionedParamBlock(ls, tracer_s::kTraceStep2Params);
    return nullptr;
}

const char *save(Instance, const SaveState *ss) {
    if (ss) writeVersionedParamBlock(ss, tracer_s::kTraceStep2Params);
    return nullptr;
}

const char *describe(Instance inst) {
    if (!inst) return edition().imageFilterServer;
    char *text = static_cast<TraceStep2Instance *>(inst)->description;
    std::snprintf(text, tracer_s::kDescriptionSize, "%s", edition().imageFilterServer);
    return text;
}

void process(Instance, const FilterAccess *fa) { tracer_s::processFrame(fa); }

// A process cut short leaves the frame as the host rendered it.
void copyThrough(Instance, const FilterAccess *fa) { tracer_s::copyImageThrough(fa); }

unsigned int flags(Instance) { return edition().imageFilterFlags; }

constexpr ImageFilterCallbacks kCallbacks = {
    {guarded<create>, guarded<destroy>, guarded<copy>, guarded<load>, guarded<save>, guarded<describe>},
    guarded<process, copyThrough>,
    guarded<flags>,
};

}  // namespace

const ImageFilterCallbacks &traceStep2Callbacks() { return kCallbacks; }

}  // namespace qr
