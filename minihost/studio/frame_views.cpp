#include "minihost/studio/frame_views.h"

#include "minihost/servers/server_settings.h"

namespace minihost::studio {

namespace {

// The filters' own "render only lines" switches, by the key each saves
// (the stroke tracer's and the line tracer's).
const char *const kOnlyLinesKeys[] = {"only_line", "line_only"};

}  // namespace

const char *viewName(View view) {
    switch (view) {
    case View::WithoutOutlines: return "without";
    case View::OutlinesOnly: return "only";
    case View::WithOutlines: break;
    }
    return "with";
}

bool viewNamed(const std::string &name, View &view) {
    for (View v : {View::WithOutlines, View::WithoutOutlines, View::OutlinesOnly})
        if (name == viewName(v)) {
            view = v;
            return true;
        }
    return false;
}

bool viewChangesInstances(View view) { return view == View::OutlinesOnly; }

ViewScope::ViewScope(Scene &scene, ServerSet &servers, View view, int width, int height)
        : scene_(scene), servers_(servers), width_(scene.width), height_(scene.height) {
    scene.width = width;
    scene.height = height;
    if (view == View::WithoutOutlines) {
        // Swapping keeps every element in place, so the server set's pointers
        // to these uses stay valid while they are held here.
        pixelFilters_.swap(scene.pixelFilters);
        imageFilters_.swap(scene.imageFilters);
        filtersHeld_ = true;
    }
    if (view == View::OutlinesOnly) {
        for (auto *filters : {&scene.pixelFilters, &scene.imageFilters})
            for (ServerUse &use : *filters) {
                const ActiveHandler *h = servers.handlerOf(use);
                if (!h || !use.instance) continue;
                const std::string saved = savedText(h->inst, use.instance);
                for (const SettingKey &key : settingKeys(saved)) {
                    bool only = false;
                    for (const char *k : kOnlyLinesKeys) only = only || key.name == k;
                    if (!only || key.type != "PINT") continue;
                    // A switch that cannot be set leaves that filter as it is.
                    try {
                        const std::string changed = applySettingsToText(saved, {{key.name, 1}}, use);
                        savedData_.emplace_back(&use, saved);  // put back even after a partial load
                        std::string error;
                        loadText(h->inst, use.instance, changed, error);
                    } catch (const std::exception &) {
                    }
                    break;
                }
            }
    }
}

ViewScope::~ViewScope() {
    for (auto &[use, saved] : savedData_) {
        std::string error;
        if (const ActiveHandler *h = servers_.handlerOf(*use)) loadText(h->inst, use->instance, saved, error);
    }
    if (filtersHeld_) {
        pixelFilters_.swap(scene_.pixelFilters);
        imageFilters_.swap(scene_.imageFilters);
    }
    scene_.width = width_;
    scene_.height = height_;
}

}  // namespace minihost::studio
