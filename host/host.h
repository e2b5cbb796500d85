/* Every host record, for code that wants them all. */
#ifndef HOST_HOST_H
#define HOST_HOST_H

#include "host_types.h"
#include "module_descriptor.h"
#include "handler.h"
#include "io_state.h"
#include "access.h"
#include "item_services.h"
#include "scene_objects.h"
#include "render_memory.h"
#include "messages_files.h"
#include "xpanel.h"
#include "panel_services.h"
#include "textures.h"
#include "variant_params.h"
#include "images.h"

#endif
