#include "minihost/cli/image_admission.h"

#include "minihost/core/system_memory.h"
#include "minihost/render/render_session.h"
#include "minihost/scene/scene.h"

namespace minihost::cli {

ImageAdmission::ImageAdmission() {
    // The check holds the state, not this object, so that a render thread
    // still inside it when the command ends reads nothing freed.
    setSceneImageMemoryCheck([state = state_](const Scene &scene, std::size_t bytes) -> std::string {
        const std::size_t frame = state->countFrame ? frameMemoryBytes(scene.width, scene.height) : 0;
        if (bytes + frame <= availableMemoryBytes()) return "";
        state->refused = true;
        if (frame == 0) return memoryBudgetText();
        return "what " + memoryBudgetText() + " leaves beside the frame's " +
               std::to_string((frame + (1 << 20) - 1) >> 20) + " MB";
    });
}

ImageAdmission::~ImageAdmission() { setSceneImageMemoryCheck({}); }

}  // namespace minihost::cli
