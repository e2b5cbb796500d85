/* Load and save states: the host's streams for plug-in data.
 *
 * A state is either binary or text; the plug-in sees the same operations for
 * both. Data is organised in nested blocks, each named by a four-character code
 * (and, in the text form, a token). Semantics a plug-in may rely on:
 *  - findBlock returns the identifier of the next block of the current level
 *    that matches one of the table's entries, skipping other blocks, and
 *    enters it; it returns 0 when none follows.
 *  - endBlock leaves the innermost block entered by findBlock, skipping what
 *    was not read. It is also safe after a failed findBlock, where it leaves
 *    nothing (the reader stays where it was).
 *  - A read past the end of the current block reads nothing and returns 0 (or
 *    a count smaller than asked for); the destination is left untouched.
 * States are used from the thread that opened or received them only. */
#ifndef HOST_IO_STATE_H
#define HOST_IO_STATE_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { IO_MODE_BINARY = 0, IO_MODE_TEXT = 1 };

/* One entry of a block identifier table; a table ends with id 0. Writers pass
 * a pointer to the single entry they begin. */
typedef struct BlockIdent {
    uint32_t id;
    const char *token;
} BlockIdent;

typedef struct LoadState {
    int ioMode;     /* IO_MODE_BINARY or IO_MODE_TEXT */
    void *readData; /* the host's own; passed back to every operation */
    /* Each read returns the number of elements read (bytes for readBytes);
     * 0 or less means nothing was read and the destination is unchanged. */
    int (*readBytes)(void *readData, char *buf, int count);
    int (*readI1)(void *readData, int8_t *vals, int count);
    int (*readI2)(void *readData, int16_t *vals, int count);
    int (*readI4)(void *readData, int32_t *vals, int count);
    int (*readU1)(void *readData, uint8_t *vals, int count);
    int (*readU2)(void *readData, uint16_t *vals, int count);
    int (*readU4)(void *readData, uint32_t *vals, int count);
    int (*readFP)(void *readData, float *vals, int count);
    /* Reads a NUL-terminated string of at most max bytes including the NUL;
     * a longer stored string is truncated safely. Returns the length stored
     * (without the NUL) plus one, or 0 or less when nothing was read. */
    int (*readStr)(void *readData, char *buf, int max);
    uint32_t (*findBlock)(void *readData, const BlockIdent *table);
    void (*endBlock)(void *readData);
    int (*depth)(void *readData);
} LoadState;

typedef struct SaveState {
    int ioMode;
    void *writeData;
    void (*writeBytes)(void *writeData, const char *buf, int count);
    void (*writeI1)(void *writeData, const int8_t *vals, int count);
    void (*writeI2)(void *writeData, const int16_t *vals, int count);
    void (*writeI4)(void *writeData, const int32_t *vals, int count);
    void (*writeU1)(void *writeData, const uint8_t *vals, int count);
    void (*writeU2)(void *writeData, const uint16_t *vals, int count);
    void (*writeU4)(void *writeData, const uint32_t *vals, int count);
    void (*writeFP)(void *writeData, const float *vals, int count);
    void (*writeStr)(void *writeData, const char *str);
    /* leaf != 0: a block that holds data only, no nested blocks. */
    void (*beginBlock)(void *writeData, const BlockIdent *ident, int leaf);
    void (*endBlock)(void *writeData);
    int (*depth)(void *writeData);
} SaveState;

#ifdef __cplusplus
}
#endif

#endif
