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

/* Layer parameter tags of getParam and setParam. */
#define TXTAG_IMAGE 9 /* ImageID of an image layer */

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

/* One extra gradient input of a texture context, given by value. */
typedef struct TxtrInputParam {
    const char *name;
    double start, end; /* value range */
    int valueType;
    int flags;
    int itemType;    /* -1: no item; the host offers an item choice */
    uint32_t itemID; /* the user's choice, filled by the host */
    const char *itemName;
} TxtrInputParam;

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

typedef struct TextureFuncs {
    TxtrContextID (*contextCreate)(TxtrInputFuncs funcs);
    void (*contextDestroy)(TxtrContextID ctx);
    /* Inputs are numbered 1, 2, ... in the order they are added. */
    void (*contextAddInput)(TxtrContextID ctx, TxtrInputParam param);
    TLayerID (*firstLayer)(TextureID tex);
    TLayerID (*nextLayer)(TextureID tex, TLayerID layer);
    /* The layer's envelope group, or null. */
    ChanGroupID (*layerEnvGroup)(TLayerID layer);
    /* Non-zero on success. */
    int (*getParam)(TLayerID layer, uint32_t tag, void *value);
    int (*setParam)(TLayerID layer, uint32_t tag, void *value);
    void (*newTime)(TextureID tex, double time, int frame);
    int (*cleanUp)(TextureID tex);
    void (*setEnvGroup)(TextureID tex, ChanGroupID group);
    const char *(*load)(TextureID tex, const LoadState *ls);
    const char *(*save)(TextureID tex, const SaveState *ss);
    /* Value of the texture at the spot; writes a colour for colour textures. */
    double (*evaluate)(TextureID tex, TexturedSpot *spot, double *rgb);
} TextureFuncs;

#ifdef __cplusplus
}
#endif

#endif
