#include "minihost/services/core_services.h"

#include "host/item_services.h"
#include "host/messages_files.h"
#include "host/render_memory.h"
#include "host/textures.h"
#include "host/variant_params.h"
#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/core/scene_info_basic.h"
#include "minihost/core/service_registry.h"
#include "minihost/panels/file_request_host.h"
#include "minihost/panels/panel_services_host.h"
#include "minihost/panels/xpanel_host.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/file_io.h"
#include "minihost/textures/texture_service.h"
#include "minihost/vparams/channel_info_service.h"
#include "minihost/vparams/envelope_service.h"
#include "minihost/vparams/vparm_service.h"

namespace minihost {

void installCoreServices() {
    ServiceRegistry &services = registry();
    services.provide(SERVICE_RENDER_MEMORY, renderMemoryRecord());
    services.provide(SERVICE_INFO_MESSAGES, infoMessagesRecord());
    services.provide(SERVICE_FILE_IO, fileIORecord());
    services.provide(SERVICE_SCENE_INFO, basicSceneInfoRecord());
    services.provide(SERVICE_VPARM_FUNCS, vparmFuncsRecord());
    services.provide(SERVICE_ENVELOPE_FUNCS, envelopeFuncsRecord());
    services.provide(SERVICE_CHANNEL_INFO, channelInfoRecord());
    services.provide(SERVICE_TEXTURE_FUNCS, textureFuncsRecord());
    useVparmTextures(textureFuncsRecord());
    useTextureImages(imageListRecord());
    installXPanelService();
    installPanelServices();
    installFileRequestService();
}

}  // namespace minihost
