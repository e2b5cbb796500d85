// The descriptor of QM_Quillrim_P.so, the line edition: the module's only
// exported symbol. Built into this module alone.
#include "module/activation.h"
#include "module/server_tables.h"
#include "module_base/callback_guard.h"
#include "module_base/edition.h"
#include "module_base/tracer_tolerances.h"
#include "tracer_p/line_tracer.h"

extern "C" __attribute__((visibility("default"))) const ModuleDescriptor _mod_descrip = {
    MODULE_SYNC_WORD,
    MODULE_DESCRIPTOR_VERSION,
    MODULE_MACHINE_CODE,
    qr::guarded<qr::moduleStartup>,
    qr::guarded<qr::moduleShutdown>,
    qr::kLineServers,
};

namespace {

// "Get global settings" copies the line tracer's tolerances.
qr::TracerTolerances lineTracerTolerances(const void *tracer) {
    const auto *t = static_cast<const qr::LineTracer *>(tracer);
    return {t->norm_err, t->dist_err};
}

// The shared code reads this module's edition, and its tracer's tolerances,
// from the moment it is loaded.
[[maybe_unused]] const bool editionChosen =
    (qr::setEdition(&qr::kLineEdition), qr::bindTracerTolerancesReader(lineTracerTolerances), true);

}  // namespace
