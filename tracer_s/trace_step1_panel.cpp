// TraceStep1's "LWXPanel" panel: a view panel bound to the instance through a
// get and a set callback, with two tabs ("Basic" and "Brush") and AA jitter
// enabled only for "3x3 HQ".
#include <array>
#include <cstring>

#include "module_base/callback_guard.h"
#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "tracer_s/trace_step1_instance.h"
#include "tracer_s/trace_step1_server.h"

namespace qr {

namespace {

using tracer_s::TraceStep1Instance;

enum : uint32_t {
    kBrushRotate = 0x8001,
    kBrushSquash = 0x8002,
    kNormErr = 0x8003,
    kDistErr = 0x8004,
    kDistRange = 0x8005,
    kOnlyLine = 0x8006,
    kAaSample = 0x8007,
    kAaJitter = 0x8008,
    kBrushMin = 0x8009,
    kBrushMax = 0x800A,
    kMatEdge = 0x800B,
    kNoiseSize = 0x800C,
    kTabs = 0x800D,
    kBasicPage = 0x800E,
    kBrushPage = 0x800F,
    // The four unlabelled groups the pages are made of.
    kSamplingGroup = 0x8010,
    kSizeGroup = 0x8011,
    kShapeGroup = 0x8012,
    kErrorGroup = 0x8013,
};

constexpr XPanelControl kControls[] = {
    {kAaSample, "AA sample : ", "iPopChoice"},
    {kAaJitter, "AA jitter : ", "percent"},
    {kBrushRotate, "Brush base angle : ", "angle"},
    {kBrushSquash, "Brush squash scale : ", "percent"},
    {kNormErr, "Normal error factor [0-1] : ", "float"},
    {kDistErr, "Dist error factor [0-n] : ", "float"},
    {kDistRange, "Dist error range [0-n] : ", "float"},
    {kOnlyLine, "Render only lines.", "iBoolean"},
    {kBrushMin, "Min brush size [pixel] : ", "float"},
    {kBrushMax, "Max brush size [pixel] : ", "float"},
    {kMatEdge, "Material edge level [0-1] : ", "float"},
    {kNoiseSize, "Stroke noise scale : ", "float"},
    {0, nullptr, nullptr},
};

constexpr XPanelData kData[] = {
    {kAaSample, "aa_sample", "integer"},
    {kAaJitter, "aa_jitter", "percent"},
    {kBrushRotate, "brush_rotate", "angle"},
    {kBrushSquash, "brush_squash", "percent"},
    {kNormErr, "norm_err", "float"},
    {kDistErr, "dist_err", "float"},
    {kDistRange, "dist_range", "float"},
    {kOnlyLine, "only_line", "integer"},
    {kBrushMin, "brush_min", "float"},
    {kBrushMax, "brush_max", "float"},
    {kMatEdge, "mat_edge", "float"},
    {kNoiseSize, "noise_size", "float"},
    {0, nullptr, nullptr},
};

constexpr const char *kSampleChoices[] = {"1x1 Draft", "2x2 Standard", "3x3 HQ", nullptr};
constexpr uint32_t kSamplingMembers[] = {kAaSample, kAaJitter, kOnlyLine, 0};
constexpr uint32_t kSizeMembers[] = {kBrushMin, kBrushMax, 0};
constexpr uint32_t kShapeMembers[] = {kBrushRotate, kBrushSquash, kMatEdge, kNoiseSize, 0};
constexpr uint32_t kErrorMembers[] = {kNormErr, kDistErr, kDistRange, 0};
constexpr uint32_t kBasicMembers[] = {kSamplingGroup, kErrorGroup, 0};
constexpr uint32_t kBrushMembers[] = {kSizeGroup, kShapeGroup, 0};
constexpr uint32_t kPages[] = {kBasicPage, kBrushPage, 0};
constexpr int kJitterMap[] = {0, 0, 1};

XPanelHint hint(int kind, uint32_t id) {
    return XPanelHint{kind, id, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr};
}

// The hint list, in the order the panel takes them.
const XPanelHint *hints() {
    static const auto list = [] {
        XPanelHint title = hint(XPH_LABEL, 0);
        title.text = edition().panelTitle;
        XPanelHint choices = hint(XPH_STRLIST, kAaSample);
        choices.strings = kSampleChoices;
        auto group = [](uint32_t id, const uint32_t *members) {
            XPanelHint h = hint(XPH_GROUP, id);
            h.ids = members;
            return h;
        };
        auto label = [](uint32_t id, const char *text) {
            XPanelHint h = hint(XPH_LABEL, id);
            h.text = text;
            return h;
        };
        XPanelHint tabs = hint(XPH_TABS, kTabs);
        tabs.ids = kPages;
        XPanelHint jitter = hint(XPH_ENABLE_MAP, kAaJitter);
        jitter.ref = kAaSample;
        jitter.map = kJitterMap;
        jitter.count = 3;
        return std::to_array<XPanelHint>({title, choices, group(kSamplingGroup, kSamplingMembers),
                                          group(kSizeGroup, kSizeMembers), group(kShapeGroup, kShapeMembers),
                                          group(kErrorGroup, kErrorMembers), group(kBasicPage, kBasicMembers),
                                          label(kBasicPage, "Basic"), group(kBrushPage, kBrushMembers),
                                          label(kBrushPage, "Brush"), tabs, jitter, hint(XPH_END, 0)});
    }();
    return list.data();
}

double *doubleField(TraceStep1Instance &t, uint32_t vid) {
    switch (vid) {
    case kBrushRotate: return &t.brush_rotate;
    case kBrushSquash: return &t.brush_squash;
    case kNormErr: return &t.norm_err;
    case kDistErr: return &t.dist_err;
    case kDistRange: return &t.dist_range;
    case kAaJitter: return &t.aa_jitter;
    case kBrushMin: return &t.brush_min;
    case kBrushMax: return &t.brush_max;
    case kMatEdge: return &t.mat_edge;
    case kNoiseSize: return &t.noise_size;
    default: return nullptr;
    }
}

int32_t *intField(TraceStep1Instance &t, uint32_t vid) {
    switch (vid) {
    case kOnlyLine: return &t.only_line;
    case kAaSample: return &t.aa_sample;
    default: return nullptr;
    }
}

void *getValue(void *inst, uint32_t vid) {
    if (!inst) return nullptr;
    auto &t = *static_cast<TraceStep1Instance *>(inst);
    if (double *d = doubleField(t, vid)) return d;
    return intField(t, vid);
}

int setValue(void *inst, uint32_t vid, void *value) {
    if (!inst || !value) return 0;
    auto &t = *static_cast<TraceStep1Instance *>(inst);
    if (double *d = doubleField(t, vid)) {
        std::memcpy(d, value, sizeof *d);
        return 1;
    }
    if (int32_t *i = intField(t, vid)) {
        std::memcpy(i, value, sizeof *i);
        return 1;
    }
    return 0;
}

}  // namespace

XPanelID buildTraceStep1Panel(Instance inst) {
    const XPanelFuncs *xp = panelService();
    if (!xp || !xp->create) return nullptr;
    XPanelID panel = xp->create(XPANEL_VIEW, kControls);
    if (!panel) return nullptr;
    if (xp->hint) xp->hint(panel, 0, hints());
    if (xp->describe) xp->describe(panel, kData, guarded<getValue>, guarded<setValue>);
    if (xp->viewInst) xp->viewInst(panel, inst);
    if (xp->setData) xp->setData(panel, 0, inst);
    return panel;
}

}  // namespace qr
