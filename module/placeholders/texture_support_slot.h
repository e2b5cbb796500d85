// Placeholder for slot 5 of ModuleObjects until texlib/ provides the texture
// support's tables.
#pragma once

namespace qr {

struct TextureSupportTables {};

}  // namespace qr
