// The recorder's module descriptor and server table.
#include "recorder.h"

namespace {

int startup() { return 4; }
void shutdown() {}

const ServerRecord servers[] = {
    {CLASS_SHADER_HANDLER, "Recorder:Shader", recorder::activateShader, nullptr},
    {CLASS_PIXEL_FILTER_HANDLER, "Recorder:Pixel", recorder::activatePixel, nullptr},
    {CLASS_IMAGE_FILTER_HANDLER, "Recorder:Image", recorder::activateImage, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) ModuleDescriptor _mod_descrip = {
    MODULE_SYNC_WORD, MODULE_DESCRIPTOR_VERSION, MODULE_MACHINE_CODE, startup, shutdown, servers};
}
