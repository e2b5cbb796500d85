#include "shader/sample_values.h"

#include <cmath>

#include "module_base/edition.h"
#include "module_base/module_state.h"
#include "texlib/item_snapshot.h"
#include "texlib/shader_texture_support.h"

namespace qr {

bool recordingServicesPresent() noexcept {
    const ServiceTable &s = services();
    return s.itemInfo && s.lightInfo && s.objectInfo && s.sceneInfo && s.cameraInfo && s.renderMemory;
}

bool isSceneObject(ItemID object) {
    const ItemInfo *items = services().itemInfo;
    if (!items || !items->first || !items->next) return false;
    // Inside a frame's round the host's objects are those its new-time
    // rebuild walked (the host changes its scene only between renders): that
    // walk answers, without a walk for every sample. Each thread keeps its
    // last answer, since neighbouring samples mostly share their object.
    thread_local struct {
        uint64_t round;
        ItemID item;
        bool answer;
    } last{0, ITEM_NULL, false};
    if (const uint64_t open = openFrameRound(); open != 0) {
        if (last.round == open && last.item == object) return last.answer;
        uint64_t round = 0;
        const int known = frameRoundSceneObject(object, round);
        if (known >= 0) {
            last = {round, object, known == 1};
            return known == 1;
        }
    }
    for (ItemID id = items->first(ITEM_TYPE_OBJECT, ITEM_NULL); id != ITEM_NULL; id = items->next(id))
        if (id == object) return true;
    return false;
}

namespace {

double valueOf(const Vparam *vp, TexturedSpot &spot, double result[3]) {
    const VParmFuncs *vpf = vparamService();
    if (!vp || !vp->hostParam() || !vpf || !vpf->getVal) return result[0];
    return vpf->getVal(vp->hostParam(), frameTime(), &spot, result);
}

// The builder sets every field of the spot but the host's value, which
// starts at 0 (the host's spot initialisation may set it); the rest need no
// clearing first.
void buildSampleSpot(TexturedSpot &spot, const ShaderAccess &sa, SurfaceID surface) {
    spot.txVal = 0.0;
    buildTextureSpot(&spot, &sa, surface);
}

}  // namespace

SampleLineValues queryLineValues(const EdgeShaderInstance &inst, const ShaderAccess &sa) {
    TexturedSpot spot;
    buildSampleSpot(spot, sa, inst.surface);
    SampleLineValues v{{0.0, 0.0, 0.0}, edition().secondDefault};
    valueOf(inst.lineColor, spot, v.color);
    double second[3] = {v.second, v.second, v.second};
    valueOf(inst.second, spot, second);
    v.second = second[0];
    return v;
}

void queryLineColor(const EdgeShaderInstance &inst, const ShaderAccess &sa, double color[3]) {
    TexturedSpot spot;
    buildSampleSpot(spot, sa, inst.surface);
    color[0] = color[1] = color[2] = 0.0;
    valueOf(inst.lineColor, spot, color);
}

Vector unitSampleNormal(const ShaderAccess &sa) noexcept {
    Vector n{sa.wNorm0[0], sa.wNorm0[1], sa.wNorm0[2]};
    Vector out;
    normalizedCopy(out, n);
    return out;
}

double cameraDepth(ItemID camera, const double position[3]) noexcept {
    // The lookup's answer changes only when the snapshot is rebuilt: each
    // thread keeps the last one with the content it came from, so a sample
    // takes no lock.
    thread_local struct {
        uint64_t content;
        ItemID camera;
        double forward[3], origin[3];
    } last{0, ITEM_NULL, {}, {}};
    const uint64_t content = frameSnapshotContent();
    if (content == 0 || last.content != content || last.camera != camera) {
        double forward[3] = {0.0, 0.0, 0.0};
        double origin[3] = {0.0, 0.0, 0.0};
        lookupFrameSnapshotPair(camera, 4, forward, 8, origin);
        last = {content, camera, {forward[0], forward[1], forward[2]}, {origin[0], origin[1], origin[2]}};
    }
    const Vector d{position[0] - last.origin[0], position[1] - last.origin[1], position[2] - last.origin[2]};
    return dot(d, Vector{last.forward[0], last.forward[1], last.forward[2]});
}

uint8_t colorByte(double c) noexcept {
    const double scaled = c * 255.0;
    if (!(scaled > 0.0)) return 0;  // negative or not a number
    if (scaled >= 255.0) return 255;
    return static_cast<uint8_t>(scaled);
}

void storeNormal(float cell[3], const Vector &n) noexcept {
    cell[0] = static_cast<float>(n.x);
    cell[1] = static_cast<float>(n.y);
    cell[2] = static_cast<float>(n.z);
}

void storeColorBytes(uint8_t cell[3], const double color[3]) noexcept {
    for (int k = 0; k < 3; ++k) cell[k] = colorByte(color[k]);
}

}  // namespace qr
