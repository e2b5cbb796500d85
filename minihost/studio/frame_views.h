// The ways the studio shows a frame: as rendered, without the outline
// filters, the outlines alone (the tracers' own "render only lines"), and
// the lines layer a compositor gets (render/frame_layers.h). The scene and its instances are changed
// only for the length of one render and put back however the render ends.
#pragma once

#include <string>
#include <vector>

#include "minihost/scene/scene.h"
#include "minihost/servers/server_instances.h"

namespace minihost::studio {

enum class View { WithOutlines, WithoutOutlines, OutlinesOnly, LinesLayer };

const char *viewName(View view);  // "with", "without", "only", "lines"
bool viewNamed(const std::string &name, View &view);

// Whether showing `view` writes to instances (and so must keep readers out).
bool viewChangesInstances(View view);
// Whether the render of `view` runs the scene's filters.
bool viewRunsFilters(View view);

// Sets the scene up for one render of `view` at `width` x `height` and
// restores it when destroyed.
class ViewScope {
public:
    ViewScope(Scene &scene, ServerSet &servers, View view, int width, int height);
    ~ViewScope();
    ViewScope(const ViewScope &) = delete;
    ViewScope &operator=(const ViewScope &) = delete;

private:
    Scene &scene_;
    ServerSet &servers_;
    int width_, height_;
    std::vector<std::pair<const ServerUse *, std::string>> savedData_;  // instances switched to lines only
};

}  // namespace minihost::studio
