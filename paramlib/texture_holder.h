// A texture holder: one host texture, saved as a "PTEX" block inside a
// parameter block (type code "PVTX"): the version 256, the texture's own
// data (the host's texture save), then its image envelope and image
// reference blocks. Loading reads the texture's data and those blocks only
// from a "PTEX" block of version 256 and ends the block in every case.
//
// The holder does not own the texture: whoever made it destroys it.
#pragma once

#include "host/host_types.h"
#include "host/io_state.h"

namespace qr {

struct TextureHolder {
    TextureID texture = nullptr;

    void save(const SaveState *ss) const;
    void load(const LoadState *ls);
};

}  // namespace qr
