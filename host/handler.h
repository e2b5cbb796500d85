/* Handler, interface and generic records filled at activation.
 *
 * The host passes one of these as the `local` argument of a server's
 * activation; the module fills the callback slots in the order below. An
 * instance is the module's own record, created by create and owned by the host
 * until it calls destroy. Callbacks returning `const char *` return null for
 * success or an error text. */
#ifndef HOST_HANDLER_H
#define HOST_HANDLER_H

#include "host_types.h"
#include "io_state.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void *Instance;

struct ShaderAccess;
struct PixelAccess;
struct FilterAccess;

/* Instance operations. `priv` is the host's; the module leaves it alone. */
typedef struct InstanceFuncs {
    void *priv;
    /* context: the owner (the surface, for a shader; null otherwise).
     * err: the host's error slot, null on entry; a module that returns null
     * may point it at a text saying why. */
    Instance (*create)(void *priv, void *context, const char **err);
    void (*destroy)(Instance inst);
    const char *(*copy)(Instance to, Instance from);
    const char *(*load)(Instance inst, const LoadState *ls);
    const char *(*save)(Instance inst, const SaveState *ss);
    /* Valid until the next describe of the same instance or its destroy. */
    const char *(*describe)(Instance inst);
} InstanceFuncs;

/* Item operations; the host may pass none (a null ItemFuncs pointer). */
typedef struct ItemFuncs {
    /* The items the instance depends on, ending with ITEM_NULL, or null. */
    const ItemID *(*useItems)(Instance inst);
    /* Pairs of (old, new) identifiers, ending with ITEM_NULL. */
    void (*changeID)(Instance inst, const ItemID *ids);
} ItemFuncs;

/* Render operations: init once per render, newTime before every frame,
 * cleanup after the last frame. */
typedef struct RenderFuncs {
    const char *(*init)(Instance inst, int renderMode);
    void (*cleanup)(Instance inst);
    const char *(*newTime)(Instance inst, int frame, double time);
} RenderFuncs;

typedef struct ShaderHandler {
    InstanceFuncs *inst;
    ItemFuncs *item; /* may be null */
    RenderFuncs *rend;
    /* Called for every shaded sample of a surface carrying the shader, from
     * any render thread. */
    void (*evaluate)(Instance inst, struct ShaderAccess *sa);
    unsigned int (*flags)(Instance inst);
} ShaderHandler;

typedef struct PixelFilterHandler {
    InstanceFuncs *inst;
    ItemFuncs *item;
    RenderFuncs *rend;
    /* Called for every pixel of a frame, in raster order, on one thread. */
    void (*evaluate)(Instance inst, const struct PixelAccess *pa);
    unsigned int (*flags)(Instance inst);
} PixelFilterHandler;

typedef struct ImageFilterHandler {
    InstanceFuncs *inst;
    ItemFuncs *item;
    /* Called once per frame with the finished image. */
    void (*process)(Instance inst, const struct FilterAccess *fa);
    unsigned int (*flags)(Instance inst);
} ImageFilterHandler;

/* Interface record of the ...Interface classes. The host puts the instance
 * into `inst`; the module fills the panel (an XPanel, or null), options and
 * command slots. */
typedef struct InterfaceRecord {
    Instance inst;
    void *panel;
    const char *(*options)(Instance inst);
    const char *(*command)(Instance inst, const char *command);
} InterfaceRecord;

/* Generic record of LayoutGeneric servers: the host's command evaluation. */
typedef struct LayoutGeneric {
    /* Carries out one command; the result (0 = failure) is the host's. */
    int (*evaluate)(void *data, const char *command);
    void *data;
} LayoutGeneric;

#ifdef __cplusplus
}
#endif

#endif
