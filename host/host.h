/* Every host record, for code that wants them all. */
#ifndef HOST_HOST_H
#define HOST_HOST_H

#include "access.h"
#include "handler.h"
#include "host_types.h"
#include "images.h"
#include "io_state.h"
#include "item_services.h"
#include "messages_files.h"
#include "module_descriptor.h"
#include "panel_services.h"
#include "render_memory.h"
#include "scene_objects.h"
#include "settings_block_codes.h"
#include "textures.h"
#include "variant_params.h"
#include "xpanel.h"

#endif
