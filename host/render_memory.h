/* Named blocks of the host's render memory ("Global Render Memory").
 *
 * A block is found again by its name for as long as the host keeps it; the
 * host discards all blocks at the end of a render session. A plug-in never
 * frees or resizes a block. Blocks are zero-filled when created and aligned for
 * any type. Lookups and creation are safe from any thread. */
#ifndef HOST_RENDER_MEMORY_H
#define HOST_RENDER_MEMORY_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_RENDER_MEMORY "Global Render Memory"

typedef struct RenderMemory {
    /* The block of that name, or null. */
    void *(*find)(const char *name);
    /* A new block of `size` bytes under that name, or null when memory is
     * short. Creating an existing name returns null. */
    void *(*create)(const char *name, size_t size);
} RenderMemory;

#ifdef __cplusplus
}
#endif

#endif
