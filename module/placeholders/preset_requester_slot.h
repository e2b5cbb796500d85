// Placeholder for slot 3 of ModuleObjects until paramlib/ provides the preset
// file requester.
#pragma once

namespace qr {

struct PresetRequesterState {};

}  // namespace qr
