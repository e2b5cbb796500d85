#include "minihost/textures/texture_data.h"

#include <algorithm>
#include <cmath>

#include "minihost/vparams/envelope_data.h"

namespace minihost::textures {

namespace {

using vparams::readDouble;
using vparams::readInt;
using vparams::writeDouble;
using vparams::writeInt;

constexpr int kMaxInputName = 256;

void writeDoubles(const SaveState *ss, const double *v, int n) {
    for (int i = 0; i < n; ++i) writeDouble(ss, v[i]);
}

bool readFinite(const LoadState *ls, double *v, int n) {
    for (int i = 0; i < n; ++i)
        if (!readDouble(ls, v[i]) || !std::isfinite(v[i])) return false;
    return true;
}

bool readLayer(const LoadState *ls, LayerData &layer) {
    int32_t type = 0, blend = 0, animated = 0;
    if (!readInt(ls, type) || type < kConstantLayer || type > kImageLayer) return false;
    if (!readInt(ls, blend) || blend < TXBLEND_NORMAL || blend > TXBLEND_MULTIPLY) return false;
    if (!readFinite(ls, &layer.opacity, 1) || !readInt(ls, animated) || animated < 0 || animated > 15)
        return false;
    layer.type = type;
    layer.blend = blend;
    layer.animated = static_cast<uint32_t>(animated);
    if (type == kConstantLayer) return readFinite(ls, layer.value, 3);
    if (type == kImageLayer) {
        int32_t projection = 0, axis = 0;
        if (!readInt(ls, projection) || projection < kPlanar || projection > kSpherical) return false;
        if (!readInt(ls, axis) || axis < 0 || axis > 2) return false;
        layer.projection = projection;
        layer.axis = axis;
        return readFinite(ls, layer.center, 3) && readFinite(ls, layer.size, 3);
    }
    char name[kMaxInputName] = {};
    int32_t count = 0;
    if (!ls->readStr || ls->readStr(ls->readData, name, kMaxInputName) <= 0) return false;
    name[kMaxInputName - 1] = '\0';
    layer.input = name;
    if (!ls->readU4 || ls->readU4(ls->readData, &layer.item, 1) != 1) return false;
    if (!readInt(ls, count) || count < 0 || count > kMaxGradientKeys) return false;
    for (int32_t i = 0; i < count; ++i) {
        GradientKey key;
        if (!readFinite(ls, &key.position, 1) || !readFinite(ls, key.value, 3)) return false;
        if (!layer.keys.empty() && key.position < layer.keys.back().position) return false;
        layer.keys.push_back(key);
    }
    return true;
}

}  // namespace

void writeTextureData(const SaveState *ss, const TextureData &data) {
    if (!ss) return;
    writeInt(ss, kTextureFormat);
    const int count = std::min(static_cast<int>(data.layers.size()), kMaxTextureLayers);
    writeInt(ss, count);
    for (int i = 0; i < count; ++i) {
        const LayerData &layer = data.layers[static_cast<size_t>(i)];
        writeInt(ss, layer.type);
        writeInt(ss, layer.blend);
        writeDouble(ss, layer.opacity);
        writeInt(ss, static_cast<int32_t>(layer.animated));
        if (layer.type == kConstantLayer) {
            writeDoubles(ss, layer.value, 3);
        } else if (layer.type == kImageLayer) {
            writeInt(ss, layer.projection);
            writeInt(ss, layer.axis);
            writeDoubles(ss, layer.center, 3);
            writeDoubles(ss, layer.size, 3);
        } else {
            if (ss->writeStr) ss->writeStr(ss->writeData, layer.input.c_str());
            if (ss->writeU4) ss->writeU4(ss->writeData, &layer.item, 1);
            const int keys = std::min(static_cast<int>(layer.keys.size()), kMaxGradientKeys);
            writeInt(ss, keys);
            for (int k = 0; k < keys; ++k) {
                writeDouble(ss, layer.keys[static_cast<size_t>(k)].position);
                writeDoubles(ss, layer.keys[static_cast<size_t>(k)].value, 3);
            }
        }
    }
}

bool readTextureData(const LoadState *ls, TextureData &data) {
    int32_t format = 0, count = 0;
    if (!ls || !readInt(ls, format) || format != kTextureFormat) return false;
    if (!readInt(ls, count) || count < 0 || count > kMaxTextureLayers) return false;
    TextureData read;
    read.layers.resize(static_cast<size_t>(count));
    for (auto &layer : read.layers)
        if (!readLayer(ls, layer)) return false;
    data = std::move(read);
    return true;
}

void sortKeys(std::vector<GradientKey> &keys) {
    std::stable_sort(keys.begin(), keys.end(),
                     [](const GradientKey &a, const GradientKey &b) { return a.position < b.position; });
}

}  // namespace minihost::textures
