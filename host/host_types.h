/* Basic identifiers shared by every host record.
 *
 * Everything under host/ is the contract between a host and a plug-in module:
 * plain C records and function pointers, nothing else. A module sees the host
 * only through these headers; minihost is one host that provides them. */
#ifndef HOST_HOST_TYPES_H
#define HOST_HOST_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A four-character code: the bytes, most significant first, spell the code. */
#define HOST_FOURCC(a, b, c, d)                                                               \
    ((uint32_t)(((uint32_t)(unsigned char)(a) << 24) | ((uint32_t)(unsigned char)(b) << 16) | \
                ((uint32_t)(unsigned char)(c) << 8) | ((uint32_t)(unsigned char)(d))))

/* Scene items (objects, lights, cameras, bones) are named by a 32-bit
 * identifier. 0 means "no item". Identifiers are stable for the life of a
 * scene and compare as unsigned numbers. */
typedef uint32_t ItemID;
#define ITEM_NULL ((ItemID)0)

/* The host's identifier for indirect (ambient) light, accepted where a light
 * item is expected by illuminate and by the light-exclusion query. */
#define ITEM_INDIRECT_LIGHT ((ItemID)0x21000000u)

/* Item types as reported by ItemInfo.type. */
enum { ITEM_TYPE_OBJECT = 0, ITEM_TYPE_LIGHT = 1, ITEM_TYPE_CAMERA = 2, ITEM_TYPE_BONE = 3 };

/* Opaque handles of the host. Null means "none" for each of them. */
typedef struct HostSurface *SurfaceID;
typedef struct HostImage *ImageID;
typedef struct HostEnvelope *EnvelopeID;
typedef struct HostChanGroup *ChanGroupID;
typedef struct HostChannel *ChannelID;
typedef struct HostTexture *TextureID;
typedef struct HostTextureLayer *TLayerID;
typedef struct HostTextureContext *TxtrContextID;
typedef struct HostVParm *VParmID;
typedef struct HostPoint *PointID;
typedef struct HostPolygon *PolygonID;
typedef struct HostVMap *VMapID;
typedef struct HostMonitor *MonitorID;

#ifdef __cplusplus
}
#endif

#endif
