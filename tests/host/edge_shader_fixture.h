// Drives the edge shader of either edition inside a small scene loaded by
// minihost: a ball (surface "Paint") in front of a camera, with the edition's
// tracer attached so that new-time creates the sample store. Tests shade
// samples by hand through the handler's evaluate and read the store back
// through render memory, as the tracer would.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "host/access.h"
#include "host/handler.h"
#include "host/io_state.h"
#include "minihost/core/info_messages.h"
#include "minihost/core/render_memory_blocks.h"
#include "minihost/scene/scene_loader.h"
#include "minihost/servers/server_instances.h"
#include "minihost/servers/server_settings.h"
#include "minihost/services/active_scene.h"
#include "minihost/services/core_services.h"
#include "minihost/services/scene_services.h"
#include "minihost/states/memory_states.h"
#include "minihost/states/tree.h"

namespace shadertest {

enum class Ed { Stroke, Line };

// The stroke store header's layout.
struct StrokeHeader {
    int32_t failed, passDone, passRunning, currentColumn, currentRow;
    int32_t gridWidth, gridHeight, factor;
    uint8_t *buff1;
    float *buff2;
    float *buff3;
    uint8_t *buff4;
    float *buff5;
    void **buff6;
};

// The line store header's layout.
struct LineHeader {
    int32_t width, height;
    void **buff1;
    float *buff2;
    float *buff3;
    uint8_t *buff4;
    float *buff5;
};

inline std::string sceneText(Ed ed, const std::string &paintSettings) {
    const bool s = ed == Ed::Stroke;
    const std::string module = s ? QR_MODULE_S : QR_MODULE_P;
    const std::string shader = s ? "QM_Quillrim_S:Shader" : "QM_Quillrim_P:Shader";
    const std::string filters = s ? R"("pixel_filters": ["QM_Quillrim_S:TraceStep1"],
                                       "image_filters": ["QM_Quillrim_S:TraceStep2"])"
                                  : R"("pixel_filters": ["QM_Quillrim_P:Tracer"])";
    return R"({
  "render": {"width": 32, "height": 24},
  "camera": {"position": [0, 0, -5], "target": [0, 0, 0], "hfov": 40},
  "modules": [")" +
           module + R"("],
  "objects": [
    {"name": "Ball", "primitive": {"type": "sphere", "radius": 1, "surface": "Paint"},
     "surfaces": {"Paint": {"shaders": [{"server": ")" +
           shader + R"(", "settings": )" + paintSettings + R"(}]}}}
  ],
  )" + filters +
           "\n}";
}

class EdgeShaderScene {
public:
    explicit EdgeShaderScene(Ed ed, const std::string &paintSettings = "{}") : ed_(ed) {
        minihost::setMessagesQuiet(true);
        minihost::installCoreServices();
        minihost::discardRenderMemory();
        scene_ = minihost::loadSceneText(sceneText(ed, paintSettings), "shader_test.json");
        minihost::installSceneServices(*scene_);
        servers_ = std::make_unique<minihost::ServerSet>();
        servers_->build(*scene_);
        live_ = &servers_->live().shaders[0][0][0];
        use_ = live_->use;
        handler_ = &live_->handler->shader;
        servers_->initAll(0);
    }
    ~EdgeShaderScene() {
        for (Instance inst : extra_) handler_->inst->destroy(inst);
        servers_->cleanupAll();
        servers_.reset();
        minihost::discardRenderMemory();
        minihost::removeSceneServices();
    }

    Ed edition() const { return ed_; }
    const ShaderHandler &handler() const { return *handler_; }
    Instance shader() const { return live_->instance; }
    // The shader's handler and instance as the scene's server set made them.
    const minihost::LiveUse &shaderUse() const { return *live_; }
    ItemID ball() const { return scene_->objects[0]->id; }
    SurfaceID surface() const { return minihost::surfaceHandle(scene_->objects[0]->surfaces[0].get()); }
    minihost::Scene &scene() { return *scene_; }

    // A further instance of the shader on the same surface, destroyed with the scene.
    Instance create() {
        const char *err = nullptr;
        Instance inst = handler_->inst->create(handler_->inst->priv, surface(), &err);
        EXPECT_NE(inst, nullptr);
        EXPECT_EQ(err, nullptr);
        if (inst) extra_.push_back(inst);
        return inst;
    }

    void newFrame(int frame = 1) { servers_->newTimeAll(frame, scene_->frameTime(frame)); }

    StrokeHeader *strokeStore() const {
        return static_cast<StrokeHeader *>(minihost::renderMemoryRecord()->find("QM's Quillrim_S STINFO"));
    }
    LineHeader *lineStore() const {
        return static_cast<LineHeader *>(minihost::renderMemoryRecord()->find("QM's Quillrim_P STINFO"));
    }

    // A camera sample of the ball at pixel (x, y), facing the camera.
    ShaderAccess sample(int x, int y) const {
        ShaderAccess sa{};
        sa.sx = x;
        sa.sy = y;
        sa.wPos[2] = -1.0;
        sa.oPos[2] = -1.0;
        sa.gNorm[2] = -1.0;
        sa.wNorm[2] = -1.0;
        sa.wNorm0[2] = -2.0;  // not of unit length: the shader normalises it
        sa.raySource[2] = -5.0;
        sa.rayLength = 4.0;
        sa.cosine = 1.0;
        sa.objID = ball();
        sa.surface = surface();
        sa.diffuse = 0.7;
        sa.specular = 0.2;
        sa.mirror = 0.1;
        sa.color[0] = sa.color[1] = sa.color[2] = 0.5;
        return sa;
    }
    void evaluate(Instance inst, ShaderAccess &sa) const { handler_->evaluate(inst, &sa); }

    // Save and load in a representation.
    std::string save(Instance inst, int ioMode) const {
        minihost::MemorySaveState ss(ioMode);
        EXPECT_EQ(handler_->inst->save(inst, ss.state()), nullptr);
        return ss.bytes();
    }
    void load(Instance inst, int ioMode, const std::string &bytes) const {
        minihost::MemoryLoadState ls(ioMode, bytes);
        EXPECT_EQ(handler_->inst->load(inst, ls.state()), nullptr);
    }
    // Applies settings by key to an instance, as a scene file does.
    void set(Instance inst, const nlohmann::json &settings) const {
        const std::string text = minihost::applySettingsToText(save(inst, IO_MODE_TEXT), settings, *use_);
        load(inst, IO_MODE_TEXT, text);
    }

private:
    Ed ed_;
    std::unique_ptr<minihost::Scene> scene_;
    std::unique_ptr<minihost::ServerSet> servers_;
    const minihost::ServerUse *use_ = nullptr;
    const minihost::LiveUse *live_ = nullptr;
    const ShaderHandler *handler_ = nullptr;
    std::vector<Instance> extra_;
};

// The value item of a named parameter in saved text, or null.
inline const minihost::StateItem *savedParam(const minihost::StateItem &root, const std::string &name) {
    for (const auto &block : root.children) {
        if (block.kind != minihost::StateItem::Kind::Block) continue;
        for (const auto &p : block.children)
            if (p.kind == minihost::StateItem::Kind::Block && p.children.size() > 2 &&
                p.children[0].kind == minihost::StateItem::Kind::Str && p.children[0].data == name)
                return &p.children[2];
    }
    return nullptr;
}

inline double savedDouble(const minihost::StateItem *item) {
    if (!item || item->data.size() != 8) return -12345.0;
    uint64_t bits = 0;
    for (unsigned char c : item->data) bits = (bits << 8) | c;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline int64_t savedInt(const minihost::StateItem *item) {
    return item && !item->ints.empty() ? item->ints[0] : -12345;
}

inline minihost::StateItem parsed(const std::string &text) {
    minihost::StateItem root;
    EXPECT_NO_THROW(minihost::parseStateText(text, root));
    return root;
}

}  // namespace shadertest
