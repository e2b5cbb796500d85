/* Scene item services: items, objects, lights, cameras, the scene and the
 * user interface's selection. All operations may be called from any thread
 * while a frame renders; they never change the scene. */
#ifndef HOST_ITEM_SERVICES_H
#define HOST_ITEM_SERVICES_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_ITEM_INFO "LW Item Info 3"
#define SERVICE_OBJECT_INFO "LW Object Info 4"
#define SERVICE_LIGHT_INFO "LW Light Info 3"
#define SERVICE_CAMERA_INFO "LW Camera Info 2"
#define SERVICE_SCENE_INFO "LW Scene Info 3"
#define SERVICE_INTERFACE_INFO "LW Interface Info 3"

/* Item parameter codes of ItemInfo.param; each gives three doubles at a time.
 * Axes are unit vectors in world space; the item's own space is left-handed
 * with +Z forward, +Y up and +X right. */
enum {
    ITEM_PARAM_POSITION = 1,   /* position relative to the parent */
    ITEM_PARAM_RIGHT = 2,      /* the item's X axis direction, world */
    ITEM_PARAM_UP = 3,         /* the item's Y axis direction, world */
    ITEM_PARAM_FORWARD = 4,    /* the item's Z axis direction, world */
    ITEM_PARAM_ROTATION = 5,   /* heading, pitch, bank in radians, local */
    ITEM_PARAM_SCALING = 6,    /* scale factors, local */
    ITEM_PARAM_PIVOT = 7,      /* pivot point in the item's own space */
    ITEM_PARAM_W_POSITION = 8, /* world position */
    ITEM_PARAM_W_RIGHT = 9,    /* world X axis scaled by the world scale */
    ITEM_PARAM_W_UP = 10,      /* world Y axis scaled by the world scale */
    ITEM_PARAM_W_FORWARD = 11, /* world Z axis scaled by the world scale */
    ITEM_PARAM_PIVOT_ROT = 12  /* pivot rotation, heading, pitch, bank */
};

typedef struct ItemInfo {
    /* First item of a type under a parent (ITEM_NULL: top-level; for bones the
     * parent is their object), in the host's order, or ITEM_NULL. */
    ItemID (*first)(int type, ItemID parent);
    /* The next item of the same type and parent, or ITEM_NULL. */
    ItemID (*next)(ItemID item);
    ItemID (*firstChild)(ItemID parent);
    ItemID (*nextChild)(ItemID parent, ItemID prevChild);
    ItemID (*parent)(ItemID item);
    /* ITEM_TYPE_..., or -1 for an unknown item. */
    int (*type)(ItemID item);
    /* The item's name, or null for an unknown item. */
    const char *(*name)(ItemID item);
    /* Fills vec with parameter `code` at `time`; leaves it unchanged for an
     * unknown item or code. */
    void (*param)(ItemID item, int code, double time, double vec[3]);
} ItemInfo;

struct MeshInfo;

typedef struct ObjectInfo {
    /* The file the object's mesh came from, or null. */
    const char *(*filename)(ItemID obj);
    int (*numPoints)(ItemID obj);
    int (*numPolygons)(ItemID obj);
    /* A mesh record of the object's first layer, owned by the caller until it
     * calls the record's destroy; `frozen` non-zero asks for the final shape.
     * Null for an unknown object. */
    struct MeshInfo *(*meshInfo)(ItemID obj, int frozen);
    /* Non-zero when the object is excluded from the light (or from
     * ITEM_INDIRECT_LIGHT). */
    int (*excluded)(ItemID obj, ItemID light);
} ObjectInfo;

/* Light types. */
enum { LIGHT_TYPE_DISTANT = 0, LIGHT_TYPE_POINT = 1, LIGHT_TYPE_SPOT = 2 };

/* Light flag bits. */
#define LIGHT_FLAG_NO_DIFFUSE 2u
#define LIGHT_FLAG_NO_SPECULAR 4u

typedef struct LightInfo {
    /* The scene's ambient colour (already scaled by its intensity). */
    void (*ambient)(double time, double color[3]);
    int (*type)(ItemID light); /* LIGHT_TYPE_..., -1 if unknown */
    void (*color)(ItemID light, double time, double color[3]);
    unsigned int (*flags)(ItemID light);
    double (*intensity)(ItemID light, double time);
    /* Spot light projection image, or null. */
    ImageID (*projImage)(ItemID light);
} LightInfo;

typedef struct CameraInfo {
    /* Horizontal and vertical field-of-view angles in radians at `time`. */
    void (*fovAngles)(ItemID camera, double time, double *horizontal, double *vertical);
} CameraInfo;

typedef struct SceneInfo {
    const char *name;
    const char *filename;
    /* Frame size of the render being set up or running. */
    int (*frameWidth)(void);
    int (*frameHeight)(void);
    double (*framesPerSecond)(void);
    /* The camera that renders the frame at `time`. */
    ItemID (*renderCamera)(double time);
} SceneInfo;

typedef struct InterfaceInfo {
    /* The selected items, ending with ITEM_NULL; valid until the selection
     * changes. */
    const ItemID *(*selectedItems)(void);
    double (*currentTime)(void);
} InterfaceInfo;

#ifdef __cplusplus
}
#endif

#endif
