#include "module/placeholders/placeholder_ops.h"

#include <cstdlib>

namespace qr::placeholder {

namespace {
constexpr std::size_t kInstanceSize = 128;
}  // namespace

Instance create(void *, void *, const char **) { return std::calloc(1, kInstanceSize); }
void destroy(Instance inst) { std::free(inst); }
const char *copy(Instance, Instance) { return nullptr; }
const char *load(Instance, const LoadState *) { return nullptr; }
const char *save(Instance, const SaveState *) { return nullptr; }
const char *init(Instance, int) { return nullptr; }
void cleanup(Instance) {}
const char *newTime(Instance, int, double) { return nullptr; }

}  // namespace qr::placeholder
