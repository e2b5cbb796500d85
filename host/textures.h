/* Textures, texture contexts with extra gradient inputs, and the texture spot
 * record ("Texture Functions 3"). */
#ifndef HOST_TEXTURES_H
#define HOST_TEXTURES_H

#include "access.h"
#include "host_types.h"
#include "io_state.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_TEXTURE_FUNCS "Texture Functions 3"

/* Layer parameter tags of getParam and setParam, with the type `value`
 * points to. */
#define TXTAG_OPACITY 1 /* double: the layer's opacity, 0 to 1 */
#define TXTAG_BLEND 2   /* int: TXBLEND_... */
#define TXTAG_IMAGE 9   /* ImageID of an image layer (null: none) */

/* How a layer's value is laid over the layers below it. */
enum { TXBLEND_NORMAL = 0, TXBLEND_ADD = 1, TXBLEND_SUBTRACT = 2, TXBLEND_MULTIPLY = 3 };

/* The spot a texture is evaluated at. Fields not set by the caller keep the
 * values of VParmFuncs.initSpot. */
typedef struct TexturedSpot {
    double oPos[3];  /* object-space position */
    double wPos[3];  /* world position */
    double oScl[3];  /* object scale, (1, 1, 1) unless known */
    double gNorm[3]; /* geometric normal */
    double wNorm[3]; /* shading normal, world, not necessarily unit */
    double ray[3];   /* ray vector reaching the spot, not unit */
    double bumpHeight;
    double txVal; /* the host's */
    double spotSize;
    double raySource[3];
    double rayLength;
    double cosine; /* incidence cosine */
    double oXfrm[9];
    double wXfrm[9];
    ItemID objID; /* the object owning the spot, 0 if none */
    SurfaceID surfID;
    PointID verts[4]; /* points around the spot, null if none */
    float weights[4];
    float vertsWPos[4][3];
    int polNum;
    int oAxis;   /* dominant axis of the normal, object space */
    int wAxis;   /* dominant axis of the geometric normal */
    int context; /* the host's; 0 when filled by a shader */
    IlluminateFunc *illuminate;
    RayTraceFunc *rayTrace;
    RayCastFunc *rayCast;
    RayShadeFunc *rayShade;
    int txFlags; /* the host's; 0 when filled by a shader */
    PolygonID polygon;
} TexturedSpot;

/* Item types of a gradient input's item choice. */
enum { TXITEM_NONE = -1, TXITEM_OBJECT = 0, TXITEM_LIGHT = 1, TXITEM_CAMERA = 2, TXITEM_WEIGHT_MAP = 4 };

/* One extra gradient input of a texture context, given by value. The module
 * adds each with itemID 0 and itemName null; when a gradient layer uses the
 * input, the host passes the module a copy with the user's item choice in
 * both fields (0 and null when none was made).
 *
 * itemID is 32 bits wide. For objects, lights and cameras it is the ItemID.
 * For a weight map (TXITEM_WEIGHT_MAP) it is the map's number in the scene:
 * TXTR_INPUT_VMAP(itemID) is the VMapID that MeshInfo.pntVSelect takes, the
 * same in every mesh that has a weight map of that name (the host numbers
 * weight maps scene-wide, from 1, so that the number fits). */
typedef struct TxtrInputParam {
    const char *name;
    double start, end; /* value range */
    int valueType;
    int flags;
    int itemType;    /* TXITEM_...; the host offers an item choice of that type */
    uint32_t itemID; /* the user's choice, filled by the host */
    const char *itemName;
} TxtrInputParam;

#define TXTR_INPUT_VMAP(itemID) ((VMapID)(uintptr_t)(uint32_t)(itemID))

/* Callbacks of a texture context, given by value at creation. The host calls
 * timeFunc once per evaluated time, evaluate for every spot (from any render
 * thread) with the record timeFunc returned, and cleanup to release it. */
typedef struct TxtrInputFuncs {
    double (*evaluate)(TxtrInputParam *param, int inputNumber, TexturedSpot *spot, void *timeData);
    void *(*timeFunc)(void *userData, TxtrInputParam *param, int inputNumber, double time, int frame);
    void (*cleanup)(TxtrInputParam *param, int inputNumber, void *timeData);
} TxtrInputFuncs;

/* Texture events passed to a variant parameter's event callback. */
enum {
    TXEVENT_BBOX = 2,    /* eventData: six doubles, x min, x max, ... */
    TXEVENT_ENVGROUP = 7 /* the texture wants its envelope group */
};

/* A texture is an ordered stack of layers, the first at the bottom. Each
 * layer has an envelope group whose channels (its opacity, a constant
 * layer's value) may carry envelopes. A texture's own data (load, save)
 * holds its layers but neither the images of its layers nor the envelopes
 * of their channels: its owner keeps those, in the image blocks it writes
 * after the texture (settings_block_codes.h).
 *
 * Threads: evaluate may be called from every render thread at once; every
 * other operation from one thread at a time, never from within an input
 * callback. */
typedef struct TextureFuncs {
    TxtrContextID (*contextCreate)(TxtrInputFuncs funcs);
    void (*contextDestroy)(TxtrContextID ctx);
    /* Inputs are numbered 1, 2, ... in the order they are added. */
    void (*contextAddInput)(TxtrContextID ctx, TxtrInputParam param);
    TLayerID (*firstLayer)(TextureID tex);
    TLayerID (*nextLayer)(TextureID tex, TLayerID layer);
    /* The layer's envelope group, or null. */
    ChanGroupID (*layerEnvGroup)(TLayerID layer);
    /* TXTAG_... Non-zero on success; a layer without the parameter (an
     * image on a gradient layer) or an unknown tag gives 0. */
    int (*getParam)(TLayerID layer, uint32_t tag, void *value);
    int (*setParam)(TLayerID layer, uint32_t tag, void *value);
    /* Prepares the layers for `time`: envelopes are read, and each gradient
     * layer on an added input gets a fresh record from the context's time
     * callback (the previous one goes to its cleanup callback). */
    void (*newTime)(TextureID tex, double time, int frame);
    /* Releases what newTime made; returns 0. */
    int (*cleanUp)(TextureID tex);
    /* The group under which the layers keep their envelope groups. */
    void (*setEnvGroup)(TextureID tex, ChanGroupID group);
    const char *(*load)(TextureID tex, const LoadState *ls);
    const char *(*save)(TextureID tex, const SaveState *ss);
    /* The textured value at the spot: rgb holds the value under the texture
     * on entry (three channels for a colour texture, one otherwise) and the
     * layers composited over it on return; returns rgb[0]. */
    double (*evaluate)(TextureID tex, TexturedSpot *spot, double *rgb);
    /* A new texture without layers. dataType: VPTEX_COLOR or VPTEX_PERCENT;
     * ctx (may be null) offers its added inputs to gradient layers. */
    TextureID (*create)(int dataType, const char *name, TxtrContextID ctx);
    void (*destroy)(TextureID tex);
    /* Layers, images and envelopes of `from` replace those of `to`. */
    void (*copy)(TextureID to, TextureID from);
} TextureFuncs;

#ifdef __cplusplus
}
#endif

#endif
