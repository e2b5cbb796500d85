#include "module_base/current_tracer.h"

namespace qr {

namespace {
constinit CurrentTracer slot;
}  // namespace

CurrentTracer &currentTracer() noexcept { return slot; }

}  // namespace qr
