/* Objects by index, their layers and meshes, and surfaces. */
#ifndef HOST_SCENE_OBJECTS_H
#define HOST_SCENE_OBJECTS_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_SCENE_OBJECTS "Scene Objects 4"
#define SERVICE_SURFACE_FUNCS "Surface Functions 2"

/* Polygon tag type of a polygon's surface name. */
#define POLY_TAG_SURF HOST_FOURCC('S', 'U', 'R', 'F')
/* Point map type of weight maps. */
#define VMAP_WGHT HOST_FOURCC('W', 'G', 'H', 'T')

typedef int PointScanFunc(void *data, PointID point);
typedef int PolygonScanFunc(void *data, PolygonID polygon);

/* A mesh record. The caller owns it from the call that returned it until it
 * calls destroy (which may be null for records that need no release). */
typedef struct MeshInfo {
    void *priv;
    void (*destroy)(struct MeshInfo *mesh);
    int (*numPoints)(struct MeshInfo *mesh);
    int (*numPolygons)(struct MeshInfo *mesh);
    /* Calls func for every point or polygon in order until it returns
     * non-zero; returns that value, or 0. */
    int (*scanPoints)(struct MeshInfo *mesh, PointScanFunc *func, void *data);
    int (*scanPolys)(struct MeshInfo *mesh, PolygonScanFunc *func, void *data);
    /* Position before any deformation, object space. */
    void (*pntBasePos)(struct MeshInfo *mesh, PointID point, float pos[3]);
    int (*polSize)(struct MeshInfo *mesh, PolygonID polygon);
    PointID (*polVertex)(struct MeshInfo *mesh, PolygonID polygon, int vertex);
    /* A polygon tag (POLY_TAG_SURF: the surface name), or null. */
    const char *(*polTag)(struct MeshInfo *mesh, PolygonID polygon, uint32_t tagType);
    /* Point maps: look a map up by type and name, select it, then read a
     * point's value; pntVGet returns non-zero when the point has a value.
     * A map's VMapID names the map in the whole scene: every mesh with a
     * weight map of one name gives the same VMapID for it, a small number
     * (see TXTR_INPUT_VMAP, host/textures.h). */
    VMapID (*pntVLookup)(struct MeshInfo *mesh, uint32_t type, const char *name);
    int (*pntVSelect)(struct MeshInfo *mesh, VMapID vmap);
    int (*pntVGet)(struct MeshInfo *mesh, PointID point, float *values);
} MeshInfo;

typedef struct SceneObjects {
    int (*numObjects)(void);
    /* By object index 0 .. numObjects - 1; null outside that range. */
    const char *(*filename)(int obj);
    const char *(*userName)(int obj); /* name as shown to the user */
    const char *(*refName)(int obj);  /* name as the host's commands take */
    ItemID (*itemID)(int obj);
    int (*maxLayers)(int obj);
    int (*layerExists)(int obj, int layer);
    /* Owned by the caller until its destroy, as ObjectInfo.meshInfo. */
    MeshInfo *(*layerMesh)(int obj, int layer);
} SceneObjects;

typedef struct SurfaceFuncs {
    SurfaceID (*first)(void);
    SurfaceID (*next)(SurfaceID surf);
    /* The surfaces of the object loaded from `objFilename`, ending with null;
     * null when no object has that file. Valid until the scene changes. */
    const SurfaceID *(*byObject)(const char *objFilename);
    const char *(*name)(SurfaceID surf);
    const char *(*sceneObject)(SurfaceID surf);
    /* Channel group of the surface's animatable parameters. */
    ChanGroupID (*chanGroup)(SurfaceID surf);
    /* Integer and image channels by name ("ReflectionOptions",
     * "RefractionOptions", "ReflectionImage", "RefractionImage"); 0 or null
     * when the surface has no such channel. */
    int (*getInt)(SurfaceID surf, const char *channel);
    const double *(*getFlt)(SurfaceID surf, const char *channel);
    ImageID (*getImg)(SurfaceID surf, const char *channel);
} SurfaceFuncs;

#ifdef __cplusplus
}
#endif

#endif
