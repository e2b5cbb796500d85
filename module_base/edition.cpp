#include "module_base/edition.h"

namespace qr {

namespace {
const Edition *current = nullptr;
}  // namespace

const Edition &edition() { return *current; }

void setEdition(const Edition *chosen) { current = chosen; }

}  // namespace qr
