/* The module descriptor, the server table and the activation signature.
 *
 * A host loads the shared library, finds the one exported symbol
 * `_mod_descrip`, checks its synchronisation word and version, calls startup,
 * and activates servers from the table as it needs them. */
#ifndef HOST_MODULE_DESCRIPTOR_H
#define HOST_MODULE_DESCRIPTOR_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MODULE_SYNC_WORD 0x04121994u
#define MODULE_DESCRIPTOR_VERSION 3u
#define MODULE_MACHINE_CODE 0x300u

/* The versions of the handler, interface and generic records a host passes
 * to activation. */
#define HANDLER_VERSION 4
#define INTERFACE_VERSION 4
#define GENERIC_VERSION 1

/* Activation results. */
#define AFUNC_OK 0
#define AFUNC_BADVERSION 1

/* The host's global lookup: a service record by name, or null when the host
 * has no such service. `useMode` is 0, the only mode defined. Callable from any
 * thread; the returned pointer stays valid while the host runs. */
typedef void *GlobalFunc(const char *serviceName, int useMode);

/* Server activation: fills `local` (a handler, interface or generic record,
 * depending on the class) and returns AFUNC_OK, or AFUNC_BADVERSION without
 * touching `local`. `serverData` is the table entry's tagInfo. */
typedef int ActivateFunc(int version, GlobalFunc *global, void *local, void *serverData);

/* One entry of the server table; an all-null entry ends the table. */
typedef struct ServerRecord {
    const char *className; /* e.g. "ShaderHandler" */
    const char *name;      /* the server's name, e.g. "Module:Shader" */
    ActivateFunc *activate;
    const void *tagInfo; /* passed to activate as serverData; may be null */
} ServerRecord;

typedef struct ModuleDescriptor {
    uint32_t syncWord;    /* MODULE_SYNC_WORD */
    uint32_t version;     /* MODULE_DESCRIPTOR_VERSION */
    uint32_t machine;     /* MODULE_MACHINE_CODE */
    int (*startup)(void); /* returns non-zero when the module is usable */
    void (*shutdown)(void);
    const ServerRecord *servers;
} ModuleDescriptor;

/* Server class names. */
#define CLASS_SHADER_HANDLER "ShaderHandler"
#define CLASS_SHADER_INTERFACE "ShaderInterface"
#define CLASS_PIXEL_FILTER_HANDLER "PixelFilterHandler"
#define CLASS_PIXEL_FILTER_INTERFACE "PixelFilterInterface"
#define CLASS_IMAGE_FILTER_HANDLER "ImageFilterHandler"
#define CLASS_LAYOUT_GENERIC "LayoutGeneric"

#ifdef __cplusplus
}
#endif

#endif
