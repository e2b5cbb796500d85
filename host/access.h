/* Access records passed to the shading, pixel-filter and image-filter
 * callbacks. Each is valid only for the duration of the call it is passed to.
 *
 * Conventions of the host's space: left-handed, +Y up, +Z forward from the
 * camera; screen row 0 is the top of the frame. */
#ifndef HOST_ACCESS_H
#define HOST_ACCESS_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

struct ShaderAccess;

/* Ray services offered to shaders and filters, callable from the thread that
 * received the record. Directions need not be of unit length unless stated.
 *
 * illuminate: the light's contribution at `position`; writes the unit
 *   direction the light travels, from the light towards the position (for
 *   a distant light its +Z axis), and the light's colour there; returns
 *   non-zero when the light reaches the position. The direction towards the
 *   light is its negation. ITEM_INDIRECT_LIGHT gives the ambient colour,
 *   arriving from above: (0, -1, 0).
 * rayTrace: traces and shades a ray; writes its colour, returns the hit
 *   distance, negative when nothing is hit.
 * rayCast: nearest hit distance along the ray, negative when nothing is hit;
 *   no shading.
 * rayShade: traces a ray and shades the hit into `out` (running the hit
 *   surface's shaders, with a bounce count one higher than the caller's);
 *   returns the hit distance, negative when nothing is hit. */
typedef int IlluminateFunc(ItemID light, const double position[3], double direction[3], double color[3]);
typedef double RayTraceFunc(const double position[3], const double direction[3], double color[3]);
typedef double RayCastFunc(const double position[3], const double direction[3]);
typedef double RayShadeFunc(const double position[3], const double direction[3], struct ShaderAccess *out);

/* Shader flag bits that the handler's flags() may return. */
#define SHADER_FLAG_NORMAL (1u << 0)
#define SHADER_FLAG_COLOR (1u << 1)
#define SHADER_FLAG_LUMINOUS (1u << 2)
#define SHADER_FLAG_DIFFUSE (1u << 3)
#define SHADER_FLAG_SPECULAR (1u << 4)
#define SHADER_FLAG_MIRROR (1u << 5)
#define SHADER_FLAG_TRANSP (1u << 6)
#define SHADER_FLAG_ETA (1u << 7)
#define SHADER_FLAG_ROUGH (1u << 8)
#define SHADER_FLAG_RAYTRACE (1u << 10)

/* One shaded sample. Inputs first, then the values a shader may change. */
typedef struct ShaderAccess {
    /* inputs */
    int sx, sy;          /* pixel of the sample */
    double oPos[3];      /* object-space position */
    double wPos[3];      /* world position */
    double gNorm[3];     /* geometric normal, world, unit */
    double spotSize;     /* approximate diameter of the sample */
    double raySource[3]; /* origin of the ray that reached the sample */
    double rayLength;    /* distance from the ray source */
    double cosine;       /* cos of the angle between the ray and wNorm */
    double oXfrm[9];     /* object-to-world rotation, row major */
    double wXfrm[9];     /* world-to-object rotation, row major */
    ItemID objID;        /* the object hit */
    int polNum;          /* polygon index within the object */
    double wNorm[3];     /* shading normal, after bump, unit */
    double wNorm0[3];    /* smoothed normal before bump mapping */
    double bumpHeight;
    int bounces;           /* 0 for camera rays, +1 per bounce */
    PointID verts[4];      /* points around the sample, null if none */
    float weights[4];      /* their interpolation weights */
    float vertsWPos[4][3]; /* their world positions */
    PolygonID polygon;     /* the polygon hit, or null */
    SurfaceID surface;     /* the surface being shaded */

    /* values a shader may change */
    double color[3];
    double luminous;
    double diffuse;
    double specular;
    double mirror;
    double transparency;
    double eta;
    double roughness;
    double replacePercentage; /* 1.0: replaceColor replaces the colour */
    double replaceColor[3];

    /* services */
    IlluminateFunc *illuminate;
    RayTraceFunc *rayTrace;
    RayCastFunc *rayCast;
    RayShadeFunc *rayShade;
} ShaderAccess;

/* Buffer indices of the pixel filter's getVal and the image filter's getLine. */
enum {
    BUFFER_DEPTH = 12, /* camera distance; > 1e14 where nothing was hit */
    BUFFER_RGBA = 32,  /* getVal: 4 channels red, green, blue, alpha */
    BUFFER_RED = 32,   /* getLine: one channel per index */
    BUFFER_GREEN = 33,
    BUFFER_BLUE = 34,
    BUFFER_ALPHA = 35
};

/* One pixel of a frame, for a pixel filter's evaluate. */
typedef struct PixelAccess {
    double sx, sy; /* for pixel (x, y) exactly (x, y) */
    /* Reads `num` channels of buffer `type` at this pixel into out. */
    void (*getVal)(int type, int num, float *out);
    /* Writes red, green, blue and alpha of this pixel. */
    void (*setRGBA)(const float rgba[4]);
    void (*setVal)(int type, int num, const float *in);
    IlluminateFunc *illuminate;
    RayTraceFunc *rayTrace;
    RayCastFunc *rayCast;
    RayShadeFunc *rayShade;
} PixelAccess;

/* A whole frame, for an image filter's process. */
typedef struct FilterAccess {
    int width, height;
    int frame;
    double start, end; /* shutter open and close times */
    /* A row of `width` floats of one channel (BUFFER_RED .. BUFFER_ALPHA, or
     * BUFFER_DEPTH), or null for an unknown type or a row outside the frame.
     * Valid until the next setRGB or setAlpha of that row. */
    const float *(*getLine)(int type, int y);
    void (*setRGB)(int x, int y, const float rgb[3]);
    void (*setAlpha)(int x, int y, float alpha);
} FilterAccess;

#ifdef __cplusplus
}
#endif

#endif
