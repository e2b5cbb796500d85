// TraceStep1's handler callbacks: the instance, its persistence, init and
// new-time; evaluate runs the oversampled pass on the frame's first call.
#include "tracer_s/trace_step1_server.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "module_base/callback_guard.h"
#include "module_base/current_tracer.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "store/stroke_store.h"
#include "tracer_s/oversampled_pass.h"
#include "tracer_s/trace_step1_params.h"

namespace qr {

namespace {

using tracer_s::TraceStep1Instance;

TraceStep1Instance *asTracer(Instance inst) { return static_cast<TraceStep1Instance *>(inst); }

Instance create(void *, void *, const char **) {
    auto *inst = new (std::nothrow) TraceStep1Instance();
    currentTracer().offer(inst);
    return inst;
}

void destroy(Instance inst) {
    if (!inst) return;
    currentTracer().withdraw(inst);
    delete asTracer(inst);
}

const char *copy(Instance to, Instance from) {
    if (to && from && to != from) *asTracer(to) = *asTracer(from);
    return nullptr;
}

const char *load(Instance inst, const LoadState *ls) {
    if (!inst || !ls) return nullptr;
    tracer_s::TraceStep1ParamTable table = tracer_s::traceStep1Params(*asTracer(inst));
    readVersionedParamBlock(ls, table.entries);
    return nullptr;
}

const char *save(Instance inst, const SaveState *ss) {
    if (!inst || !ss) return nullptr;
    tracer_s::TraceStep1ParamTable table = tracer_s::traceStep1Params(*asTracer(inst));
    writeVersionedParamBlock(ss, table.entries);
    return nullptr;
}

const char *describe(Instance inst) {
    if (!inst) return edition().tracerServer;
    char *text = asTracer(inst)->description;
    std::snprintf(text, tracer_s::kDescriptionSize, "%s", edition().tracerServer);
    return text;
}

const char *init(Instance inst, int) {
    writeTracerPointer(inst);
    currentTracer().makeCurrent(inst);
    return nullptr;
}

void cleanup(Instance) {}

const char *newTime(Instance inst, int, double time) {
    setFrameTime(time);
    if (!inst) return nullptr;
    clearStrokeStore(tracer_s::oversamplingOf(*asTracer(inst)));
    return nullptr;
}

void evaluate(Instance inst, const PixelAccess *pa) {
    if (!inst || !pa) return;
    StrokeStoreHeader *header = findStrokeStore();
    if (!header || header->failed != 0 || header->passDone != 0) return;
    const ServiceTable &s = services();
    tracer_s::PassHost host;
    host.scene = s.sceneInfo;
    host.items = s.itemInfo;
    host.camera = s.cameraInfo;
    host.monitor = s.monitor;
    host.rayShade = pa->rayShade;
    host.time = frameTime();
    host.title = edition().title;
    tracer_s::runOversampledPass(*header, *asTracer(inst), host);
}

unsigned int flags(Instance) { return edition().tracerFlags; }

constexpr PixelFilterCallbacks kCallbacks = {
    {guarded<create>, guarded<destroy>, guarded<copy>, guarded<load>, guarded<save>, guarded<describe>},
    {guarded<init>, guarded<cleanup>, guarded<newTime>},
    guarded<evaluate>,
    guarded<flags>,
};

}  // namespace

const PixelFilterCallbacks &traceStep1Callbacks() { return kCallbacks; }

}  // namespace qr
