// The descriptor of QM_Quillrim_P.so, the line edition: the module's only
// exported symbol. Built into this module alone.
#include "module/activation.h"
#include "module/server_tables.h"
#include "module_base/callback_guard.h"
#include "module_base/edition.h"

extern "C" __attribute__((visibility("default"))) const ModuleDescriptor _mod_descrip = {
    MODULE_SYNC_WORD,
    MODULE_DESCRIPTOR_VERSION,
    MODULE_MACHINE_CODE,
    qr::guarded<qr::moduleStartup>,
    qr::guarded<qr::moduleShutdown>,
    qr::kLineServers,
};

namespace {
// The shared code reads this module's edition from the moment it is loaded.
[[maybe_unused]] const bool editionChosen = (qr::setEdition(&qr::kLineEdition), true);
}  // namespace
