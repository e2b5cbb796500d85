#include "minihost/scene/scene.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <utility>

#include "host/item_services.h"

namespace minihost {

namespace {

// The loader numbers objects, lights, cameras and bones by their place in
// their list (0x10000000 + place + 1 for objects, 0x2.., 0x3.., 0x4..); an
// item found there under its own id is the one the index holds.
template <typename List>
SceneItem *byPlace(const List &list, ItemID id) {
    const size_t place = (id & 0x0FFFFFFFu) - 1u;
    return place < list.size() && list[place]->id == id ? list[place].get() : nullptr;
}

}  // namespace

void Scene::notice(const std::string &text) {
    if (std::find(notices.begin(), notices.end(), text) == notices.end()) notices.push_back(text);
}

SceneItem *Scene::item(ItemID id) const {
    SceneItem *placed = nullptr;
    switch (id >> 28) {
    case 1: placed = byPlace(objects, id); break;
    case 2: placed = byPlace(lights, id); break;
    case 3: placed = byPlace(cameras, id); break;
    case 4: placed = byPlace(bones, id); break;
    default: break;
    }
    if (placed) return placed;
    auto it = items.find(id);
    return it == items.end() ? nullptr : it->second;
}

SceneItem *Scene::itemNamed(const std::string &itemName) const {
    for (const auto &[id, it] : items)
        if (it->name == itemName) return it;
    return nullptr;
}

namespace {

std::atomic<uint64_t> gSceneSerial{0};

// The last transforms each thread computed: a tracer asks for the camera's
// axes once per ray, and every hit asks for its object's transform, always
// at the same time within a frame.
struct CachedTransform {
    uint64_t scene = 0;
    ItemID id = ITEM_NULL;
    double time = 0;
    Affine world;
};
constexpr int kCachedTransforms = 8;
thread_local CachedTransform tCache[kCachedTransforms];
thread_local int tCacheNext = 0;

}  // namespace

uint64_t newSceneSerial() { return ++gSceneSerial; }

Affine Scene::worldTransform(ItemID id, double t) const {
    for (const CachedTransform &c : tCache)
        if (c.scene == serial && c.id == id && c.time == t) return c.world;
    const ItemID asked = id;
    Affine world;
    // Parents were checked for cycles when the scene was read; the depth
    // bound only guards a scene built by hand.
    for (int depth = 0; depth < 256; ++depth) {
        const SceneItem *it = item(id);
        if (!it) break;
        world = it->motion.localAt(t) * world;
        id = it->parent;
    }
    tCache[tCacheNext] = {serial, asked, t, world};
    tCacheNext = (tCacheNext + 1) % kCachedTransforms;
    return world;
}

namespace {

// Each thread's last answer per world-axis or world-position code: a tracer
// asks for the camera's axes and position for every ray it makes, always at
// the frame's time. Like the transforms above, an answer holds for one scene
// and time.
struct CachedParam {
    uint64_t scene = 0;
    ItemID id = ITEM_NULL;
    double time = 0;
    Vec3 value;
};
constexpr int kWorldCodes = ITEM_PARAM_W_FORWARD + 1;
thread_local CachedParam tParams[kWorldCodes];

bool fromWorldTransform(int code) {
    return code >= ITEM_PARAM_RIGHT && code <= ITEM_PARAM_W_FORWARD && code != ITEM_PARAM_ROTATION &&
           code != ITEM_PARAM_SCALING && code != ITEM_PARAM_PIVOT;
}

}  // namespace

bool Scene::itemParam(ItemID id, int code, double t, double vec[3]) const {
    const bool world = fromWorldTransform(code);
    if (world) {
        const CachedParam &c = tParams[code];
        if (c.scene == serial && c.id == id && c.time == t && id != ITEM_NULL) {
            store(c.value, vec);
            return true;
        }
    }
    const SceneItem *it = item(id);
    if (!it || code < ITEM_PARAM_POSITION || code > ITEM_PARAM_PIVOT_ROT) return false;
    Vec3 v;
    switch (code) {
    case ITEM_PARAM_POSITION: v = it->motion.positionAt(t); break;
    case ITEM_PARAM_ROTATION: v = it->motion.rotationAt(t); break;
    case ITEM_PARAM_SCALING: v = it->motion.scaleAt(t); break;
    case ITEM_PARAM_PIVOT:
    case ITEM_PARAM_PIVOT_ROT: v = {}; break;
    default: {
        const Affine w = worldTransform(id, t);
        switch (code) {
        case ITEM_PARAM_RIGHT: v = normalized(w.linear.column(0)); break;
        case ITEM_PARAM_UP: v = normalized(w.linear.column(1)); break;
        case ITEM_PARAM_FORWARD: v = normalized(w.linear.column(2)); break;
        case ITEM_PARAM_W_POSITION: v = w.offset; break;
        case ITEM_PARAM_W_RIGHT: v = w.linear.column(0); break;
        case ITEM_PARAM_W_UP: v = w.linear.column(1); break;
        case ITEM_PARAM_W_FORWARD: v = w.linear.column(2); break;
        default: break;
        }
    }
    }
    if (world) tParams[code] = CachedParam{serial, id, t, v};
    store(v, vec);
    return true;
}

std::vector<SceneSurface *> Scene::allSurfaces() const {
    std::vector<SceneSurface *> out;
    for (const auto &obj : objects)
        for (const auto &s : obj->surfaces) out.push_back(s.get());
    return out;
}

std::vector<ServerUse *> Scene::allServerUses() {
    std::vector<ServerUse *> out;
    for (SceneSurface *s : allSurfaces())
        for (auto &use : s->shaders) out.push_back(&use);
    for (auto &use : pixelFilters) out.push_back(&use);
    for (auto &use : imageFilters) out.push_back(&use);
    return out;
}

void SceneDocument::setText(std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ = std::move(text);
    json_ = nullptr;
}

const nlohmann::ordered_json &SceneDocument::get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    // The text was read as a scene already, so it parses.
    if (!text_.empty()) json_ = nlohmann::ordered_json::parse(std::exchange(text_, std::string()));
    return json_;
}

nlohmann::ordered_json &SceneDocument::edit() {
    get();
    return json_;
}

namespace {

std::mutex imageCheckMutex;
SceneImageMemoryCheck &imageCheck() {
    static SceneImageMemoryCheck check;
    return check;
}

}  // namespace

void setSceneImageMemoryCheck(SceneImageMemoryCheck check) {
    std::lock_guard<std::mutex> lock(imageCheckMutex);
    imageCheck() = std::move(check);
}

SceneImage *Scene::imageFromFile(const std::string &file) {
    std::error_code ec;
    const std::string resolved = std::filesystem::path(file).is_absolute() || dir.empty()
                                     ? file
                                     : (std::filesystem::path(dir) / file).string();
    std::lock_guard<std::mutex> lock(imageMutex);
    for (const auto &img : images)
        if (img->path == resolved || std::filesystem::equivalent(img->path, resolved, ec)) return img.get();
    auto img = std::make_unique<SceneImage>();
    SceneImageMemoryCheck check;
    {
        std::lock_guard<std::mutex> checkLock(imageCheckMutex);
        check = imageCheck();
    }
    *img = loadSceneImage(resolved, [&](std::size_t bytes) { return check ? check(*this, bytes) : ""; });
    images.push_back(std::move(img));
    return images.back().get();
}

}  // namespace minihost
