// Identifier tables of the parameter block's two block kinds.
#pragma once

#include "host/io_state.h"
#include "paramlib/param_block.h"

namespace qr {

inline constexpr BlockIdent kParamBlockTable[] = {{SETTINGS_PARAM_BLOCK, SETTINGS_PARAM_BLOCK_TOKEN},
                                                  {0, nullptr}};
inline constexpr BlockIdent kParamItemTable[] = {{SETTINGS_PARAM_ENTRY, SETTINGS_PARAM_ENTRY_TOKEN},
                                                 {0, nullptr}};

// A negative count means no elements.
inline int elementCount(const ParamEntry &entry) { return entry.count > 0 ? entry.count : 0; }

}  // namespace qr
