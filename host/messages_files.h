/* Messages to the user, progress monitors, files and file requesters. */
#ifndef HOST_MESSAGES_FILES_H
#define HOST_MESSAGES_FILES_H

#include "host_types.h"
#include "io_state.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_INFO_MESSAGES "Info Messages 2"
#define SERVICE_MONITOR "LWLMonFuncs"
#define SERVICE_FILE_IO "File IO"
#define SERVICE_FILE_REQUEST "File Request"

/* Messages of one or two lines; the second may be null. */
typedef struct InfoMessages {
    void (*info)(const char *line1, const char *line2);
    void (*error)(const char *line1, const char *line2);
    void (*warning)(const char *line1, const char *line2);
} InfoMessages;

/* Progress monitors. step returns non-zero when the user asked to abort. */
typedef struct MonitorFuncs {
    MonitorID (*create)(void);
    void (*setup)(MonitorID mon, const char *title, unsigned int flags, const char *historyFile);
    void (*init)(MonitorID mon, unsigned int total, const char *text);
    int (*step)(MonitorID mon, unsigned int increment, const char *text);
    void (*done)(MonitorID mon);
    void (*destroy)(MonitorID mon);
} MonitorFuncs;

/* Save and load states on files. The mode is the host's (0: the binary
 * representation). Null when the file cannot be opened. A
 * state is valid until it is closed. */
typedef struct FileIOFuncs {
    LoadState *(*openLoad)(const char *name, int mode);
    void (*closeLoad)(LoadState *ls);
    SaveState *(*openSave)(const char *name, int mode);
    void (*closeSave)(SaveState *ss);
} FileIOFuncs;

/* The host's file requester ("File Request"): the service record is this
 * function itself. `name` holds the pattern on entry ("<" opens, ">" saves,
 * optionally followed by a pattern such as "*.qvx") and the chosen file's name
 * on return; `path` the folder both ways; `fullName` receives the full path.
 * Every buffer has `bufLen` bytes and is NUL-terminated on return. Non-zero
 * when the user chose a file. */
typedef int FileRequestFunc(const char *title, char *name, char *path, char *fullName, int bufLen);

#ifdef __cplusplus
}
#endif

#endif
