#include "minihost/cli/scene_session.h"

#include <filesystem>

#include "minihost/assets/asset_formats.h"
#include "minihost/cli/asset_scene.h"
#include "minihost/cli/input_error_report.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/monitor_service.h"
#include "minihost/services/scene_services.h"

namespace minihost::cli {

namespace {

template <typename Step>
bool reported(const std::string &path, std::ostream &err, Step step) {
    try {
        step();
        return true;
    } catch (const InputError &e) {
        printInputError(e, err);
    } catch (const std::exception &e) {
        err << "minihost: " << path << ": " << e.what() << '\n';
    }
    return false;
}

}  // namespace

SceneSession::~SceneSession() {
    servers_.reset();
    discardRenderMemory();
    removeSceneServices();
}

bool SceneSession::load(const std::string &path, std::ostream &err, const std::string &edition) {
    path_ = path;
    return reported(path, err, [&] {
        if (isAssetFile(path) || isObjFile(path)) {
            AssetSceneOptions options;
            options.edition = edition;
            const Asset asset = readModel(path);
            const std::string name = std::filesystem::path(path).filename().string();
            scene_ = loadSceneText(sceneOfAsset(asset, name, options).dump(), path);
        } else {
            scene_ = loadScene(path);
        }
        for (const auto &notice : scene_->notices) err << "minihost: " << path << ": " << notice << '\n';
    });
}

bool SceneSession::start(std::ostream &err) {
    return reported(path_, err, [&] {
        installSceneServices(*scene_);
        servers_ = std::make_unique<ServerSet>();
        servers_->build(*scene_);
    });
}

void onInterrupt(int) { requestAbort(); }

}  // namespace minihost::cli
