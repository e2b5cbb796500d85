/* The scene's image list ("LW Image List 3"). */
#ifndef HOST_IMAGES_H
#define HOST_IMAGES_H

#include "host_types.h"
#include "io_state.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_IMAGE_LIST "LW Image List 3"

typedef struct ImageList {
    ImageID (*first)(void);
    ImageID (*next)(ImageID img);
    /* Loads an image file into the list (or finds it there); null on failure. */
    ImageID (*load)(const char *filename);
    const char *(*name)(ImageID img);
    const char *(*filename)(ImageID img, int frame);
    void (*size)(ImageID img, int *width, int *height);
    /* Colour of a pixel, 0 to 1 per channel; black outside the image. */
    void (*rgb)(ImageID img, int x, int y, float rgb[3]);
    /* The image's description within a scene, in the host's format. */
    void (*sceneSave)(const SaveState *ss, ImageID img);
    ImageID (*sceneLoad)(const LoadState *ls);
    /* Asks the host to prepare the image for anti-aliased lookups. */
    void (*needAA)(ImageID img);
} ImageList;

#ifdef __cplusplus
}
#endif

#endif
