/* The codes of a server's saved settings: block identifiers and their text
 * tokens, the type codes of parameter entries and the version words.
 *
 * A handler saves its settings as a parameter block: a version word, then a
 * parameter block holding one entry block per value (its name, its type code,
 * then the value). A variant parameter's value is a block of its own (the
 * version word, the host parameter's data, one envelope block per stored
 * envelope, and for a textured parameter its texture's image blocks), and so
 * is a texture holder's. A host that edits saved settings by key reads and
 * writes these same blocks. Every code here is fixed by data already saved:
 * none may change. */
#ifndef HOST_SETTINGS_BLOCK_CODES_H
#define HOST_SETTINGS_BLOCK_CODES_H

#include "host_types.h"

/* The version word written before a handler's parameter block and at the
 * start of a variant parameter's and a texture holder's block; a reader takes
 * the data only after this version. */
#define SETTINGS_VERSION 256

/* The parameter block and its entries. */
#define SETTINGS_PARAM_BLOCK HOST_FOURCC('P', 'D', 'L', 'B')
#define SETTINGS_PARAM_BLOCK_TOKEN "PluginDataLib"
#define SETTINGS_PARAM_ENTRY HOST_FOURCC('P', 'D', 'P', 'R')
#define SETTINGS_PARAM_ENTRY_TOKEN "PluginDataParam"

/* Type codes of an entry, and what its value holds. */
#define SETTINGS_TYPE_INT HOST_FOURCC('P', 'I', 'N', 'T')        /* int32[count] */
#define SETTINGS_TYPE_UINT HOST_FOURCC('P', 'U', 'N', 'T')       /* uint32[count] */
#define SETTINGS_TYPE_FLOAT HOST_FOURCC('P', 'F', 'L', 'T')      /* float[count] */
#define SETTINGS_TYPE_DOUBLE HOST_FOURCC('P', 'D', 'B', 'L')     /* double[count], 8 bytes each */
#define SETTINGS_TYPE_BINARY HOST_FOURCC('P', 'B', 'I', 'N')     /* char[count] */
#define SETTINGS_TYPE_STRING HOST_FOURCC('P', 'S', 'T', 'R')     /* a NUL-terminated string */
#define SETTINGS_TYPE_USER HOST_FOURCC('P', 'U', 'S', 'R')       /* the writer's own data */
#define SETTINGS_TYPE_VPARAM HOST_FOURCC('P', 'V', 'P', 'R')     /* variant parameter blocks */
#define SETTINGS_TYPE_VPARAM_REF HOST_FOURCC('P', 'V', 'E', 'V') /* variant parameter blocks */
#define SETTINGS_TYPE_TEXTURE HOST_FOURCC('P', 'V', 'T', 'X')    /* texture holder blocks */

/* A variant parameter's block and the envelope blocks inside it. */
#define SETTINGS_VPARAM_BLOCK HOST_FOURCC('V', 'P', 'R', 'M')
#define SETTINGS_VPARAM_BLOCK_TOKEN "Vparam"
#define SETTINGS_VPARAM_ENVELOPE HOST_FOURCC('V', 'E', 'N', 'V')
#define SETTINGS_VPARAM_ENVELOPE_TOKEN "VparamEnv"

/* A texture holder's block: the version word and the texture's own data,
 * then its image blocks. */
#define SETTINGS_TEXTURE_BLOCK HOST_FOURCC('P', 'T', 'E', 'X')
#define SETTINGS_TEXTURE_BLOCK_TOKEN "Texture"

/* The image blocks that follow a texture's own data. The image envelopes:
 * an "IENV" block holding a value block with the count, then one inner "IENV"
 * block (token "ImageEnvelopeData") per envelope. The image references: an
 * "IREF" block holding a value block with the count, then per image layer a
 * value block with its position and an "IDAT" block (its version word, a
 * flag, the image's name and the image list's description of it). A value
 * block holds one int32. */
#define SETTINGS_IMAGE_REF HOST_FOURCC('I', 'R', 'E', 'F')
#define SETTINGS_IMAGE_REF_TOKEN "ImageRef"
#define SETTINGS_IMAGE_VALUE HOST_FOURCC('I', 'V', 'A', 'L')
#define SETTINGS_IMAGE_VALUE_TOKEN "ImageRefValue"
#define SETTINGS_IMAGE_DATA HOST_FOURCC('I', 'D', 'A', 'T')
#define SETTINGS_IMAGE_DATA_TOKEN "ImageRefData"
#define SETTINGS_IMAGE_DATA_VERSION 256
#define SETTINGS_IMAGE_ENVELOPE HOST_FOURCC('I', 'E', 'N', 'V')
#define SETTINGS_IMAGE_ENVELOPE_TOKEN "ImageEnvelope"
#define SETTINGS_IMAGE_ENVELOPE_DATA_TOKEN "ImageEnvelopeData"

#endif
