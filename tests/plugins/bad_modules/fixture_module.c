/* A small module for the loader's tests. One source, built several times with
 * different defines: a good module and modules with one fault each.
 *
 * The good module has two servers. Its handler activation counts activations
 * (module-wide state, so two loaded copies must count separately) and writes
 * the count into the int that the caller passes as the local record. At
 * shutdown it reports the count through the "Fixture Hooks" service, if the
 * host has one. */
#include <stddef.h>
#ifdef FIXTURE_PLANTED
#include <stdio.h>
#include <stdlib.h>
#endif

#include "host/module_descriptor.h"

#ifndef FIXTURE_SYNC_WORD
#define FIXTURE_SYNC_WORD MODULE_SYNC_WORD
#endif
#ifndef FIXTURE_VERSION
#define FIXTURE_VERSION MODULE_DESCRIPTOR_VERSION
#endif
#ifndef FIXTURE_STARTUP_RESULT
#define FIXTURE_STARTUP_RESULT 4
#endif

/* Parts a fixture without a descriptor never refers to. */
#define FIXTURE_MAYBE_UNUSED __attribute__((unused))

typedef struct FixtureHooks {
    void (*shutdownCalled)(int activations);
} FixtureHooks;

static GlobalFunc *storedGlobal = NULL;
static int activations = 0;

#ifdef FIXTURE_PLANTED
/* A module someone left where a scene lies: merely loading it runs this,
 * which leaves a marker file where the test looks. */
__attribute__((constructor)) static void fixturePlanted(void) {
    const char *marker = getenv("QR_PLANTED_MARKER");
    FILE *f = marker ? fopen(marker, "w") : NULL;
    if (f) fclose(f);
}
#endif

FIXTURE_MAYBE_UNUSED static int fixtureStartup(void) { return FIXTURE_STARTUP_RESULT; }

FIXTURE_MAYBE_UNUSED static void fixtureShutdown(void) {
    if (storedGlobal) {
        FixtureHooks *hooks = (FixtureHooks *)storedGlobal("Fixture Hooks", 0);
        if (hooks && hooks->shutdownCalled) hooks->shutdownCalled(activations);
    }
}

static int activateHandler(int version, GlobalFunc *global, void *local, void *serverData) {
    (void)serverData;
    if (version != HANDLER_VERSION) return AFUNC_BADVERSION;
    storedGlobal = global;
    ++activations;
    if (local) *(int *)local = activations;
    return AFUNC_OK;
}

static int activateGeneric(int version, GlobalFunc *global, void *local, void *serverData) {
    (void)global;
    (void)local;
    (void)serverData;
    return version == GENERIC_VERSION ? AFUNC_OK : AFUNC_BADVERSION;
}

FIXTURE_MAYBE_UNUSED static const ServerRecord servers[] = {
    {CLASS_PIXEL_FILTER_HANDLER, "Fixture:Filter", activateHandler, NULL},
#ifdef FIXTURE_SERVER_WITHOUT_ACTIVATION
    {CLASS_LAYOUT_GENERIC, "Fixture:Broken", NULL, NULL},
#endif
    {CLASS_LAYOUT_GENERIC, "Fixture:Command", activateGeneric, NULL},
    {NULL, NULL, NULL, NULL},
};

#ifndef FIXTURE_NO_DESCRIPTOR
__attribute__((visibility("default"))) ModuleDescriptor _mod_descrip = {
    FIXTURE_SYNC_WORD, FIXTURE_VERSION, MODULE_MACHINE_CODE, fixtureStartup, fixtureShutdown, servers};
#else
/* Something exported, so that the library loads but has no descriptor. */
__attribute__((visibility("default"))) int fixtureWithoutDescriptor = 1;
#endif
