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
    case View::LinesLayer: return "lines";
    case View::WithOutlines: break;
    }
    return "with";
}

bool viewNamed(const std::string &name, View &view) {
    for (View v : {View::WithOutlines, View::WithoutOutlines, View::OutlinesOnly, View::LinesLayer})
        if (name == viewName(v)) {
            view = v;
            return true;
        }
    return false;
}

bool viewChangesInstances(View view) { return view == View::OutlinesOnly; }

bool viewRunsFilters(View view) { return view != View::WithoutOutlines; }

ViewScope::ViewScope(Scene &scene, ServerSet &servers, View view, int width, int height)
        : scene_(scene), servers_(servers), width_(scene.width), height_(scene.height) {
    scene.width = width;
    scene.height = height;
    if (view == View::OutlinesOnly) {
        for (auto *filters : {&servers.live().pixelFilters, &servers.live().imageFilters})
            for (const LiveUse &live : *filters) {
                const ActiveHandler *h = live.handler;
                if (!h || !live.instance) continue;
                const ServerUse &use = *live.use;
                const std::string saved = savedText(h->inst, live.instance);
                for (const SettingKey &key : settingKeys(saved)) {
                    bool only = false;
                    for (const char *k : kOnlyLinesKeys) only = only || key.name == k;
                    if (!only || key.type != "PINT") continue;
                    // A switch that cannot be set leaves that filter as it is.
                    try {
                        const std::string changed = applySettingsToText(saved, {{key.name, 1}}, use);
                        savedData_.emplace_back(&use, saved);  // put back even after a partial load
                        std::string error;
                        loadText(h->inst, live.instance, changed, error);
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
        if (const LiveUse *live = servers_.liveOf(*use))
            loadText(live->handler->inst, live->instance, saved, error);
    }
    scene_.width = width_;
    scene_.height = height_;
}

}  // namespace minihost::studio
