/* "LWXPanel": panels described by control lists, data descriptions and hints,
 * bound to an instance through get and set callbacks. The host owns a panel
 * from create to destroy; it calls the callbacks on its interface thread. */
#ifndef HOST_XPANEL_H
#define HOST_XPANEL_H

#include "host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_XPANEL "LWXPanel"

typedef struct HostXPanel *XPanelID;

enum { XPANEL_VIEW = 1, XPANEL_FORM = 2 };

/* A control: identifier, label and control class ("float", "integer",
 * "percent", "angle", "iBoolean", "iPopChoice", "vButton", "vPopCmd",
 * "color-env", "percent-env"). A list ends with cid 0. */
typedef struct XPanelControl {
    uint32_t cid;
    const char *label;
    const char *ctrlClass;
} XPanelControl;

/* A data description: identifier, name (the value's key) and data type
 * ("float", "integer", "percent", "angle", "color-env", "percent-env").
 * A list ends with vid 0. */
typedef struct XPanelData {
    uint32_t vid;
    const char *name;
    const char *dataType;
} XPanelData;

/* Value access of a view panel. get returns the value's location for the
 * identifier (a double, an int32, or for "-env" types the VParmID itself), or
 * null. set stores *value (same types) and returns 1 when it handled the
 * identifier, 0 otherwise. */
typedef void *XPanelGetFunc(void *inst, uint32_t vid);
typedef int XPanelSetFunc(void *inst, uint32_t vid, void *value);

typedef void XPanelButtonFunc(XPanelID panel, int cid);
typedef void XPanelPopCmdFunc(XPanelID panel, int cid, int entry);

/* Hints. A hint list is an array of XPanelHint ending with kind XPH_END.
 * Fields a kind does not name are unused (zero or null). */
enum {
    XPH_END = 0,
    XPH_LABEL,      /* id: control, group or 0 (the panel title); text */
    XPH_STRLIST,    /* id: control; strings: choice entries, null-ended */
    XPH_BUTNOTIFY,  /* id: button; button */
    XPH_POPCMDFUNC, /* id: pop-up; popCmd */
    XPH_GROUP,      /* id: new group; ids: members (controls or groups),
                       0-ended */
    XPH_TABS,       /* id: new tab set; ids: page groups, 0-ended */
    XPH_ENABLE_MAP  /* id: controlled control; ref: controlling control;
                       map: enable flag per choice index, count entries */
};

typedef struct XPanelHint {
    int kind;
    uint32_t id;
    const char *text;
    const char *const *strings;
    const uint32_t *ids;
    uint32_t ref;
    const int *map;
    int count;
    XPanelButtonFunc *button;
    XPanelPopCmdFunc *popCmd;
} XPanelHint;

typedef struct XPanelFuncs {
    int version;
    /* Null when the panel cannot be made. */
    XPanelID (*create)(int type, const XPanelControl *controls);
    void (*destroy)(XPanelID panel);
    /* Applies hints to the control or group `id`, 0 meaning the whole panel. */
    void (*hint)(XPanelID panel, uint32_t id, const XPanelHint *hints);
    void (*describe)(XPanelID panel, const XPanelData *data, XPanelGetFunc *get, XPanelSetFunc *set);
    void (*viewInst)(XPanelID panel, void *inst);
    /* User data of control `cid` (0: the panel). */
    void (*setData)(XPanelID panel, uint32_t cid, void *data);
    void *(*getData)(XPanelID panel, uint32_t cid);
    /* Re-reads every value through get. */
    void (*viewRefresh)(XPanelID panel);
} XPanelFuncs;

#ifdef __cplusplus
}
#endif

#endif
