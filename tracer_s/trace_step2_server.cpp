// TraceStep2's handler callbacks: an instance that holds only its description,
// an empty parameter block, and process.
#include <cstdio>
#include <new>

#include "module/edition.h"
#include "module/server_callbacks.h"
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

unsigned int flags(Instance) { return edition().imageFilterFlags; }

constexpr ImageFilterCallbacks kCallbacks = {
    {create, destroy, copy, load, save, describe},
    process,
    flags,
};

}  // namespace

const ImageFilterCallbacks &traceStep2Callbacks() { return kCallbacks; }

}  // namespace qr
