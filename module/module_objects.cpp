#include "module/module_objects.h"

namespace qr {

namespace {
ModuleObjects objects;
}  // namespace

ModuleObjects &moduleObjects() { return objects; }

}  // namespace qr
