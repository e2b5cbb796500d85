// The codes settings by key look for in a server's saved data: the parameter
// block and its entries, the type codes of the values a scene can set, and
// the blocks of a variant parameter's value. They are the ones the modules'
// parameter library writes, kept here in one place so that a test can hold
// them against it.
#pragma once

#include <cstdint>

#include "host/host_types.h"

namespace minihost::settings_codes {

// The parameter block, one entry block per value (name, type code, value).
inline constexpr uint32_t kParamBlock = HOST_FOURCC('P', 'D', 'L', 'B');
inline constexpr const char *kParamBlockToken = "PluginDataLib";
inline constexpr uint32_t kParamEntry = HOST_FOURCC('P', 'D', 'P', 'R');
inline constexpr const char *kParamEntryToken = "PluginDataParam";

// Type codes of the values that can be set by key.
inline constexpr uint32_t kInt = HOST_FOURCC('P', 'I', 'N', 'T');
inline constexpr uint32_t kUInt = HOST_FOURCC('P', 'U', 'N', 'T');
inline constexpr uint32_t kFloat = HOST_FOURCC('P', 'F', 'L', 'T');
inline constexpr uint32_t kDouble = HOST_FOURCC('P', 'D', 'B', 'L');
inline constexpr uint32_t kString = HOST_FOURCC('P', 'S', 'T', 'R');
inline constexpr uint32_t kVparam = HOST_FOURCC('P', 'V', 'P', 'R');

// A variant parameter's value: a "VPRM" block holding the version, the
// parameter's own data and one "VENV" block per stored envelope.
inline constexpr uint32_t kVparamBlock = HOST_FOURCC('V', 'P', 'R', 'M');
inline constexpr const char *kVparamBlockToken = "Vparam";
inline constexpr uint32_t kVparamEnvelope = HOST_FOURCC('V', 'E', 'N', 'V');
inline constexpr const char *kVparamEnvelopeToken = "VparamEnv";
inline constexpr int32_t kVparamVersion = 256;

// A textured variant parameter's block ends with its texture's image
// envelopes ("IENV": a value block with the count, then one inner "IENV" per
// animated layer channel) and image references ("IREF": a value block with
// the count, then per image layer a value block with its position and an
// "IDAT" block: version, flag, name, the image list's description).
inline constexpr uint32_t kImageRef = HOST_FOURCC('I', 'R', 'E', 'F');
inline constexpr const char *kImageRefToken = "ImageRef";
inline constexpr uint32_t kImageValue = HOST_FOURCC('I', 'V', 'A', 'L');
inline constexpr const char *kImageValueToken = "ImageRefValue";
inline constexpr uint32_t kImageData = HOST_FOURCC('I', 'D', 'A', 'T');
inline constexpr const char *kImageDataToken = "ImageRefData";
inline constexpr uint32_t kImageEnvelope = HOST_FOURCC('I', 'E', 'N', 'V');
inline constexpr const char *kImageEnvelopeToken = "ImageEnvelope";
inline constexpr const char *kImageEnvelopeDataToken = "ImageEnvelopeData";
inline constexpr int32_t kImageDataVersion = 256;

}  // namespace minihost::settings_codes
