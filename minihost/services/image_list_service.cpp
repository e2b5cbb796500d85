// "LW Image List 3": the scene's images, read from PNG or JPEG files. An
// image's description in a scene is its file's absolute path, one string.
#include <cstring>
#include <filesystem>

#include "minihost/core/service_guard.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/scene_services.h"

namespace minihost {
namespace {

ImageID first() {
    Scene *s = activeScenePtr();
    if (!s) return nullptr;
    std::lock_guard<std::mutex> lock(s->imageMutex);
    return s->images.empty() ? nullptr : imageHandle(s->images.front().get());
}

ImageID next(ImageID img) {
    Scene *s = activeScenePtr();
    if (!s) return nullptr;
    std::lock_guard<std::mutex> lock(s->imageMutex);
    for (size_t i = 0; i + 1 < s->images.size(); ++i)
        if (imageHandle(s->images[i].get()) == img) return imageHandle(s->images[i + 1].get());
    return nullptr;
}

ImageID loadImage(const char *filename) {
    Scene *s = activeScenePtr();
    if (!s || !filename || !*filename) return nullptr;
    try {
        return imageHandle(s->imageFromFile(filename));
    } catch (const InputError &) {
        return nullptr;  // not a readable image: the documented answer, not a fault
    }
}

const char *name(ImageID img) {
    const SceneImage *i = imageFromHandle(img);
    return i ? i->name.c_str() : nullptr;
}

const char *filename(ImageID img, int) {
    const SceneImage *i = imageFromHandle(img);
    return i ? i->path.c_str() : nullptr;
}

void size(ImageID img, int *width, int *height) {
    const SceneImage *i = imageFromHandle(img);
    if (width) *width = i ? i->width : 0;
    if (height) *height = i ? i->height : 0;
}

void rgb(ImageID img, int x, int y, float out[3]) {
    const SceneImage *i = imageFromHandle(img);
    if (!out) return;
    if (i)
        i->pixel(x, y, out);
    else
        out[0] = out[1] = out[2] = 0.0f;
}

void sceneSave(const SaveState *ss, ImageID img) {
    if (!ss || !ss->writeStr) return;
    const SceneImage *i = imageFromHandle(img);
    std::error_code ec;
    // Absolute, so that a scene saved into another folder still finds it.
    const std::string path = i ? std::filesystem::absolute(i->path, ec).lexically_normal().string() : "";
    ss->writeStr(ss->writeData, path.c_str());
}

// A save that failed on an exception still writes the image's one string (as
// the scene knows it), so that the data around it reads back in step.
void sceneSaveAsKnown(const SaveState *ss, ImageID img) {
    if (!ss || !ss->writeStr) return;
    const SceneImage *i = imageFromHandle(img);
    ss->writeStr(ss->writeData, i ? i->path.c_str() : "");
}

ImageID sceneLoad(const LoadState *ls) {
    if (!ls || !ls->readStr) return nullptr;
    char path[4096] = {0};
    if (ls->readStr(ls->readData, path, static_cast<int>(sizeof path)) <= 0) return nullptr;
    path[sizeof path - 1] = '\0';
    return loadImage(path);
}

void needAA(ImageID img) {
    SceneImage *i = imageFromHandle(img);
    if (i) i->needAA = true;
}

ImageList record = {guardedService<"ImageList.first", first>,
                    guardedService<"ImageList.next", next>,
                    guardedService<"ImageList.load", loadImage>,
                    guardedService<"ImageList.name", name>,
                    guardedService<"ImageList.filename", filename>,
                    guardedService<"ImageList.size", size>,
                    guardedService<"ImageList.rgb", rgb>,
                    guardedService<"ImageList.sceneSave", sceneSave, sceneSaveAsKnown>,
                    guardedService<"ImageList.sceneLoad", sceneLoad>,
                    guardedService<"ImageList.needAA", needAA>};

}  // namespace

ImageList *imageListRecord() { return &record; }

}  // namespace minihost
