/* "LWPanelServices": modal dialogs made of controls added one by one. */
#ifndef HOST_PANEL_SERVICES_H
#define HOST_PANEL_SERVICES_H

#include "host_types.h"
#include "module_descriptor.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_PANEL_SERVICES "LWPanelServices"

typedef struct HostPanel *PanelID;

/* Control kind codes of a ControlDesc. */
enum {
    CTL_KIND_FILE = 1, /* string buffer: a file name; width in chars */
    CTL_KIND_FLOAT = 3,
    CTL_KIND_BOOL = 8,
    CTL_KIND_CHOICE = 9, /* items, null-ended; vertical flag */
    CTL_KIND_AREA = 19   /* width, height in pixels */
};

typedef struct ControlDesc {
    int type;
    int width;                /* FILE: characters; AREA: pixels */
    int height;               /* AREA: pixels */
    const char *const *items; /* CHOICE */
    int vertical;             /* CHOICE: 0 lays the items out horizontally */
} ControlDesc;

/* Control attributes of get and set. */
enum { CTL_X = 0, CTL_Y = 1, CTL_W = 2, CTL_H = 3, CTL_VALUE = 4 };

/* Value records. */
enum { VALUE_NONE = 0, VALUE_STRING = 1, VALUE_INTEGER = 2, VALUE_FLOAT = 3 };

typedef struct PanelValue {
    int type;
    int intv;    /* VALUE_INTEGER */
    double fltv; /* VALUE_FLOAT */
    char *buf;   /* VALUE_STRING: buffer of bufLen bytes */
    int bufLen;
} PanelValue;

typedef struct PanelControl PanelControl;
struct PanelControl {
    void (*get)(PanelControl *ctl, int attr, PanelValue *value);
    void (*set)(PanelControl *ctl, int attr, const PanelValue *value);
    void *priv;
};

/* Panel flags of open. */
#define PANEL_FLAG_BLOCKING 1
#define PANEL_FLAG_CANCEL 2
#define PANEL_FLAG_FRAME 4

typedef struct PanelServices {
    /* The caller stores its global lookup here before creating a panel. */
    GlobalFunc *globalFun;
    /* Null when the panel cannot be made. */
    PanelID (*create)(const char *title);
    void (*destroy)(PanelID panel);
    /* kind: "FloatControl", "BoolControl", "ChoiceControl", "AreaControl",
     * "FileControl". Null when the control cannot be added. */
    PanelControl *(*addControl)(PanelID panel, const char *kind, const ControlDesc *desc, const char *label);
    /* Modal: non-zero when the user confirmed, 0 when cancelled. */
    int (*open)(PanelID panel, int flags);
} PanelServices;

#ifdef __cplusplus
}
#endif

#endif
