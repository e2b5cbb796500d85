/* Variant parameters ("LWVParmFuncs 2"), envelopes ("Animation Envelopes")
 * and channels ("Channel Info 2"). */
#ifndef HOST_VARIANT_PARAMS_H
#define HOST_VARIANT_PARAMS_H

#include "host_types.h"
#include "io_state.h"
#include "textures.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_VPARM_FUNCS "LWVParmFuncs 2"
#define SERVICE_ENVELOPE_FUNCS "Animation Envelopes"
#define SERVICE_CHANNEL_INFO "Channel Info 2"

/* Value types of VParmFuncs.create. */
enum {
    VPTYPE_PERCENT = 0x20, /* one channel, a fraction shown as percent */
    VPTYPE_COLOR = 0x51    /* three channels, red, green, blue */
};

/* Texture data types of VParmFuncs.create; -1: no texture. */
enum { VPTEX_NONE = -1, VPTEX_COLOR = 1, VPTEX_PERCENT = 2 };

/* State flag bits of getState. */
#define VPSTATE_ENVELOPE 1
#define VPSTATE_TEXTURE 2

/* Texture event callback of a variant parameter; returns 1. */
typedef int VParmEventFunc(TextureID tex, void *userData, int event, void *eventData);

typedef struct VParmFuncs {
    VParmID (*create)(int envType, int texType);
    void (*destroy)(VParmID vp);
    /* Names the channels, puts them into `group`, and attaches the texture
     * context and the event callback. */
    int (*setup)(VParmID vp, const char *channelName, ChanGroupID group, TxtrContextID ctx,
                 VParmEventFunc *event, const char *pluginName, void *userData);
    const char *(*copy)(VParmID to, VParmID from);
    const char *(*load)(VParmID vp, const LoadState *ls);
    const char *(*save)(VParmID vp, const SaveState *ss);
    /* The value at `time`, and with its texture (if any) laid over it at the
     * spot (a null spot: without the texture); writes every channel into
     * result and returns the first. */
    double (*getVal)(VParmID vp, double time, TexturedSpot *spot, double *result);
    int (*setVal)(VParmID vp, const double *value);
    /* Writes the envelopes of the (up to three) channels, null where a
     * channel is not animated; returns their number. */
    int (*getEnv)(VParmID vp, EnvelopeID envs[3]);
    /* The parameter's texture, or null when it is not textured. */
    TextureID (*getTex)(VParmID vp);
    /* VPSTATE_... bits. Setting VPSTATE_TEXTURE gives an untextured
     * parameter a texture without layers (and sends its event callback
     * TXEVENT_ENVGROUP); clearing it removes the texture. */
    int (*getState)(VParmID vp);
    void (*setState)(VParmID vp, int state);
    /* Fills a spot with neutral values (zero vectors, unit scale, no item). */
    void (*initSpot)(TexturedSpot *spot);
} VParmFuncs;

typedef struct EnvelopeFuncs {
    EnvelopeID (*create)(ChanGroupID group, const char *name, int type);
    void (*destroy)(EnvelopeID env);
    ChanGroupID (*createGroup)(ChanGroupID parent, const char *name);
    void (*destroyGroup)(ChanGroupID group);
    int (*copy)(EnvelopeID to, EnvelopeID from);
    int (*load)(EnvelopeID env, const LoadState *ls);
    int (*save)(EnvelopeID env, const SaveState *ss);
    double (*evaluate)(EnvelopeID env, double time);
    /* Keys: linear interpolation between them, constant outside. */
    int (*createKey)(EnvelopeID env, double time, double value);
    int (*numKeys)(EnvelopeID env);
    int (*keyAt)(EnvelopeID env, int index, double *time, double *value);
} EnvelopeFuncs;

typedef struct ChannelInfo {
    /* Iteration: pass null to get the first. */
    ChanGroupID (*nextGroup)(ChanGroupID parent, ChanGroupID group);
    ChannelID (*nextChannel)(ChanGroupID group, ChannelID chan);
    const char *(*groupName)(ChanGroupID group);
    ChanGroupID (*groupParent)(ChanGroupID group);
    const char *(*channelName)(ChannelID chan);
    ChanGroupID (*channelParent)(ChannelID chan);
    /* The channel's envelope, or null. */
    EnvelopeID (*channelEnvelope)(ChannelID chan);
} ChannelInfo;

#ifdef __cplusplus
}
#endif

#endif
