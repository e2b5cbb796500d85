// The scene-backed services as a module sees them through the registry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host/host.h"
#include "minihost/core/service_registry.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/memory_states.h"

namespace {

using namespace minihost;

class SceneServices : public ::testing::Test {
protected:
    void SetUp() override {
        scene = loadSceneText(R"({
          "render": {"width": 300, "height": 200, "fps": 25},
          "camera": {"name": "Cam", "position": [0, 0, -5], "hfov": 60},
          "ambient": {"color": [1, 0.5, 0.25], "intensity": 0.5},
          "lights": [{"name": "Sun", "type": "distant", "no_specular": true},
                     {"name": "Lamp", "type": "point", "intensity": 2, "selected": true}],
          "objects": [
            {"name": "Ball", "primitive": {"type": "sphere", "surface": "Red"}, "selected": true,
             "exclude_lights": ["Lamp", "ambient"], "weight_maps": [{"name": "up", "axis": "y"}],
             "bones": [{"name": "B1"}, {"name": "B2"}],
             "surfaces": {"Red": {"reflection_options": 3, "mirror": 0.25}}},
            {"name": "Cube", "primitive": {"type": "box", "surface": "Wood"}, "bones": [{"name": "C1"}]}]
        })",
                              "svc.json");
        installSceneServices(*scene);
        item = static_cast<ItemInfo *>(registry().lookup(SERVICE_ITEM_INFO));
        object = static_cast<ObjectInfo *>(registry().lookup(SERVICE_OBJECT_INFO));
        light = static_cast<LightInfo *>(registry().lookup(SERVICE_LIGHT_INFO));
        camera = static_cast<CameraInfo *>(registry().lookup(SERVICE_CAMERA_INFO));
        info = static_cast<SceneInfo *>(registry().lookup(SERVICE_SCENE_INFO));
        objects = static_cast<SceneObjects *>(registry().lookup(SERVICE_SCENE_OBJECTS));
        surfaces = static_cast<SurfaceFuncs *>(registry().lookup(SERVICE_SURFACE_FUNCS));
        ui = static_cast<InterfaceInfo *>(registry().lookup(SERVICE_INTERFACE_INFO));
        ASSERT_TRUE(item && object && light && camera && info && objects && surfaces && ui);
    }
    void TearDown() override { removeSceneServices(); }

    ItemID id(const char *name) { return scene->itemNamed(name)->id; }

    std::unique_ptr<Scene> scene;
    ItemInfo *item = nullptr;
    ObjectInfo *object = nullptr;
    LightInfo *light = nullptr;
    CameraInfo *camera = nullptr;
    SceneInfo *info = nullptr;
    SceneObjects *objects = nullptr;
    SurfaceFuncs *surfaces = nullptr;
    InterfaceInfo *ui = nullptr;
};

std::vector<std::string> walk(ItemInfo *item, int type, ItemID parent) {
    std::vector<std::string> out;
    for (ItemID i = item->first(type, parent); i; i = item->next(i)) out.push_back(item->name(i));
    return out;
}

TEST_F(SceneServices, ItemWalksAndTypes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(walk(item, ITEM_TYPE_OBJECT, 0), (V{"Ball", "Cube"}));
    EXPECT_EQ(walk(item, ITEM_TYPE_LIGHT, 0), (V{"Sun", "Lamp"}));
    EXPECT_EQ(walk(item, ITEM_TYPE_CAMERA, 0), (V{"Cam"}));
    EXPECT_EQ(walk(item, ITEM_TYPE_BONE, id("Ball")), (V{"B1", "B2"}));
    EXPECT_EQ(walk(item, ITEM_TYPE_BONE, id("Cube")), (V{"C1"}));
    EXPECT_EQ(item->type(id("B2")), ITEM_TYPE_BONE);
    EXPECT_EQ(item->type(0x12345), -1);
    EXPECT_EQ(item->name(0x12345), nullptr);
    EXPECT_EQ(item->parent(id("C1")), id("Cube"));
    EXPECT_EQ(item->firstChild(id("Ball")), id("B1"));
    EXPECT_EQ(item->nextChild(id("Ball"), id("B1")), id("B2"));
    EXPECT_EQ(item->nextChild(id("Ball"), id("B2")), ITEM_NULL);
    double v[3] = {1, 2, 3};
    item->param(0x12345, ITEM_PARAM_POSITION, 0, v);
    EXPECT_EQ(v[2], 3);
    item->param(id("Cam"), ITEM_PARAM_W_POSITION, 0, v);
    EXPECT_EQ(v[2], -5);
}

TEST_F(SceneServices, SceneCameraLightsAndSelection) {
    EXPECT_EQ(info->frameWidth(), 300);
    EXPECT_EQ(info->frameHeight(), 200);
    EXPECT_EQ(info->framesPerSecond(), 25);
    EXPECT_EQ(info->renderCamera(1.0), id("Cam"));
    EXPECT_STREQ(info->filename, "svc.json");
    double h = 0, vf = 0;
    camera->fovAngles(id("Cam"), 0, &h, &vf);
    EXPECT_NEAR(h, kPi / 3, 1e-12);
    EXPECT_NEAR(std::tan(vf / 2), std::tan(kPi / 6) * 200 / 300, 1e-12);
    double c[3];
    light->ambient(0, c);
    EXPECT_DOUBLE_EQ(c[1], 0.25);
    EXPECT_EQ(light->type(id("Sun")), LIGHT_TYPE_DISTANT);
    EXPECT_EQ(light->type(id("Lamp")), LIGHT_TYPE_POINT);
    EXPECT_EQ(light->flags(id("Sun")), LIGHT_FLAG_NO_SPECULAR);
    EXPECT_EQ(light->intensity(id("Lamp"), 0), 2);
    EXPECT_EQ(light->projImage(id("Lamp")), nullptr);
    EXPECT_TRUE(object->excluded(id("Ball"), id("Lamp")));
    EXPECT_TRUE(object->excluded(id("Ball"), ITEM_INDIRECT_LIGHT));
    EXPECT_FALSE(object->excluded(id("Ball"), id("Sun")));
    const ItemID *sel = ui->selectedItems();
    std::vector<ItemID> selected;
    for (; *sel; ++sel) selected.push_back(*sel);
    EXPECT_EQ(selected, (std::vector<ItemID>{id("Ball"), id("Lamp")}));
}

TEST_F(SceneServices, ObjectsSurfacesAndMeshes) {
    ASSERT_EQ(objects->numObjects(), 2);
    EXPECT_STREQ(objects->filename(0), "sphere:Ball");
    EXPECT_STREQ(objects->refName(1), "Cube");
    EXPECT_EQ(objects->filename(2), nullptr);
    EXPECT_EQ(objects->filename(-1), nullptr);
    EXPECT_EQ(objects->maxLayers(0), 1);
    EXPECT_TRUE(objects->layerExists(0, 0));
    EXPECT_FALSE(objects->layerExists(0, 1));
    EXPECT_STREQ(object->filename(id("Cube")), "box:Cube");

    const SurfaceID *list = surfaces->byObject("sphere:Ball");
    ASSERT_TRUE(list && list[0]);
    EXPECT_EQ(list[1], nullptr);
    EXPECT_STREQ(surfaces->name(list[0]), "Red");
    EXPECT_STREQ(surfaces->sceneObject(list[0]), "Ball");
    EXPECT_EQ(surfaces->getInt(list[0], "ReflectionOptions"), 3);
    EXPECT_EQ(surfaces->getFlt(list[0], "Reflectivity")[0], 0.25);
    EXPECT_EQ(surfaces->getImg(list[0], "ReflectionImage"), nullptr);
    EXPECT_EQ(surfaces->byObject("nothing"), nullptr);
    EXPECT_EQ(surfaces->next(surfaces->first()), surfaces->byObject("box:Cube")[0]);
    EXPECT_EQ(surfaces->name(reinterpret_cast<SurfaceID>(0x10)), nullptr);  // not a surface

    MeshInfo *mesh = objects->layerMesh(1, 0);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->numPolygons(mesh), 6);
    struct Scan {
        MeshInfo *mesh;
        int polys = 0;
        float minX = 1e9f, maxX = -1e9f;
    } scan{mesh};
    mesh->scanPolys(
        mesh,
        [](void *d, PolygonID p) {
            auto &s = *static_cast<Scan *>(d);
            EXPECT_STREQ(s.mesh->polTag(s.mesh, p, POLY_TAG_SURF), "Wood");
            for (int k = 0; k < s.mesh->polSize(s.mesh, p); ++k) {
                float pos[3];
                s.mesh->pntBasePos(s.mesh, s.mesh->polVertex(s.mesh, p, k), pos);
                s.minX = std::min(s.minX, pos[0]);
                s.maxX = std::max(s.maxX, pos[0]);
            }
            ++s.polys;
            return 0;
        },
        &scan);
    EXPECT_EQ(scan.polys, 6);
    EXPECT_FLOAT_EQ(scan.minX, -0.5f);
    EXPECT_FLOAT_EQ(scan.maxX, 0.5f);
    EXPECT_EQ(mesh->polVertex(mesh, nullptr, 0), nullptr);
    EXPECT_EQ(mesh->polTag(mesh, reinterpret_cast<PolygonID>(99), POLY_TAG_SURF), nullptr);
    mesh->destroy(mesh);

    MeshInfo *ball = object->meshInfo(id("Ball"), 1);
    ASSERT_TRUE(ball);
    EXPECT_EQ(ball->pntVLookup(ball, VMAP_WGHT, "none"), nullptr);
    VMapID up = ball->pntVLookup(ball, VMAP_WGHT, "up");
    ASSERT_TRUE(up);
    EXPECT_TRUE(ball->pntVSelect(ball, up));
    float value = 0;
    EXPECT_TRUE(ball->pntVGet(ball, pointHandle(0), &value));
    EXPECT_FLOAT_EQ(value, 1.0f);  // the sphere's top point
    EXPECT_FALSE(ball->pntVGet(ball, nullptr, &value));
    ball->destroy(ball);
    EXPECT_EQ(object->meshInfo(id("Sun"), 0), nullptr);
}

TEST_F(SceneServices, ImagesAndRemoval) {
    auto *images = static_cast<ImageList *>(registry().lookup(SERVICE_IMAGE_LIST));
    ASSERT_TRUE(images);
    EXPECT_EQ(images->first(), nullptr);
    EXPECT_EQ(images->load("/no/such.png"), nullptr);
    MemoryLoadState ls(IO_MODE_TEXT, "S \"/no/such.png\"\n");
    EXPECT_EQ(images->sceneLoad(ls.state()), nullptr);
    removeSceneServices();
    EXPECT_EQ(registry().lookup(SERVICE_ITEM_INFO), nullptr);
    EXPECT_NE(registry().lookup(SERVICE_SCENE_INFO), nullptr);  // the basic one again
    EXPECT_EQ(item->first(ITEM_TYPE_OBJECT, 0), ITEM_NULL);     // old records answer nothing
    installSceneServices(*scene);
}

}  // namespace
