// The extra blocks a texture's owner saves after the texture's own data, so
// that a texture loaded again finds its images and its layers' envelopes:
//
//  "IENV" (image envelopes): a value block with the number M of channels
//    that have an envelope, over all layers in order and each layer's
//    envelope group in channel order; then one inner "IENV" block per such
//    channel with the envelope service's saved envelope.
//  "IREF" (image references): a value block with the number N of layers
//    that have an image; then, per such layer, a value block with its
//    position among all layers (from 0) and an "IDAT" block: the version
//    256 (I4), a flag (I2, 1: an image follows), the image's name as the
//    image list reports it, and the image list's own description of it.
//  "IVAL" (value): one I4.
//
// Readers tolerate missing, foreign and truncated blocks: each skips what it
// cannot use, and the texture keeps what it had. On reading, an image whose
// name equals a listed image's name without regard to ASCII case is that
// image (its stored description is skipped); otherwise the image list loads
// the description. Writers and readers run on the host's interface thread.
#pragma once

#include <cstdint>

#include "host/host_types.h"
#include "host/io_state.h"
#include "host/settings_block_codes.h"

namespace qr {

// The identifier table, with the codes of host/settings_block_codes.h: "IREF" ImageRef, "IVAL" ImageRefValue,
// "IDAT" ImageRefData, "IENV" ImageEnvelope, "IENV" ImageEnvelopeData, then the end.
extern const BlockIdent kImageBlockIdents[6];

void writeImageEnvelopes(TextureID texture, const SaveState *ss);
void readImageEnvelopes(TextureID texture, const LoadState *ls);
void writeImageReferences(TextureID texture, const SaveState *ss);
void readImageReferences(TextureID texture, const LoadState *ls);

}  // namespace qr
