#include "minihost/render/exr_output.h"

#include <Imath/half.h>
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfCompression.h>
#include <OpenEXR/ImfFloatAttribute.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfIO.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfIntAttribute.h>
#include <OpenEXR/ImfMatrixAttribute.h>
#include <OpenEXR/ImfOutputFile.h>
#include <OpenEXR/ImfStringAttribute.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "minihost/files/atomic_file.h"
#include "minihost/render/id_mattes.h"
#include "minihost/render/pixel_hash.h"

namespace minihost {

// ExrImage keeps half floats as their bits, written as the encoder's halves.
static_assert(sizeof(Imath::half) == sizeof(uint16_t));

namespace {

// The encoder's output: the whole file in memory, then written at once
// through a temporary beside the target. The encoder seeks back to fill in
// the offsets of its blocks.
class MemoryStream : public Imf::OStream {
public:
    MemoryStream() : Imf::OStream("memory") {}
    void write(const char c[], int n) override {
        const std::size_t end = position_ + static_cast<std::size_t>(n);
        if (bytes.size() < end) bytes.resize(end);
        std::copy(c, c + n, bytes.begin() + static_cast<std::ptrdiff_t>(position_));
        position_ = end;
    }
    uint64_t tellp() override { return position_; }
    void seekp(uint64_t pos) override { position_ = static_cast<std::size_t>(pos); }

    std::string bytes;

private:
    std::size_t position_ = 0;
};

const char *const kRgba[4] = {"R", "G", "B", "A"};

Imath::M44f matrixOf(const float m[4][4]) {
    return Imath::M44f(m[0][0], m[0][1], m[0][2], m[0][3], m[1][0], m[1][1], m[1][2], m[1][3], m[2][0],
                       m[2][1], m[2][2], m[2][3], m[3][0], m[3][1], m[3][2], m[3][3]);
}

// OpenEXR's standard camera attributes, and the field of view in degrees.
void addCamera(Imf::Header &header, const CameraMatrices &view) {
    header.insert("worldToCamera", Imf::M44fAttribute(matrixOf(view.worldToCamera)));
    header.insert("worldToNDC", Imf::M44fAttribute(matrixOf(view.worldToNDC)));
    header.insert("fovHorizontal", Imf::FloatAttribute(view.hfovDegrees));
    header.insert("fovVertical", Imf::FloatAttribute(view.vfovDegrees));
}

void addColourLayer(const std::string &layer, const std::vector<float> (&planes)[4], bool premultiplied,
                    const ExrChoices &choices, ExrImage &image) {
    if (planes[3].empty()) return;
    const std::vector<float> &alpha = planes[3];
    for (int c = 0; c < 4; ++c) {
        std::vector<float> values = planes[c];
        if (c < 3 && premultiplied && choices.straight)
            std::transform(values.begin(), values.end(), alpha.begin(), values.begin(),
                           [](float v, float a) { return a > 0 ? v / a : 0.0f; });
        else if (c < 3 && !premultiplied && !choices.straight)
            std::transform(values.begin(), values.end(), alpha.begin(), values.begin(),
                           [](float v, float a) { return v * a; });
        image.layers.push_back({layer + "." + kRgba[c], choices.fullFloat, std::move(values)});
    }
}

// One ID matte: rank 0 the pixel's ID with coverage 1 (0 and 0 where
// nothing was hit), rank 1 empty; its names in the header's manifest.
void addMatte(const std::string &name, const std::vector<float> &ids, const std::vector<std::string> &names,
              ExrImage &image) {
    std::vector<float> coverage(ids.size());
    std::transform(ids.begin(), ids.end(), coverage.begin(),
                   [](float id) { return id != 0.0f ? 1.0f : 0.0f; });
    const std::string prefix = name + "00.";
    image.layers.push_back({prefix + "R", true, ids});
    image.layers.push_back({prefix + "G", true, std::move(coverage)});
    image.layers.push_back({prefix + "B", true, std::vector<float>(ids.size(), 0.0f)});
    image.layers.push_back({prefix + "A", true, std::vector<float>(ids.size(), 0.0f)});
    nlohmann::ordered_json manifest = nlohmann::ordered_json::object();
    for (const std::string &n : names) manifest[n] = mattesHex(n);
    const std::string key = "cryptomatte/" + mattesKey(name) + "/";
    image.layerTexts.emplace_back(key + "name", name);
    image.layerTexts.emplace_back(key + "hash", "MurmurHash3_32");
    image.layerTexts.emplace_back(key + "conversion", "uint32_to_float32");
    image.layerTexts.emplace_back(key + "manifest", manifest.dump());
}

void addLayers(const FrameLayers &layers, const ExrChoices &choices, ExrImage &image) {
    addColourLayer("base", layers.base, false, choices, image);
    addColourLayer("lines", layers.lines, true, choices, image);
    if (!layers.linesDepth.empty()) {
        std::vector<float> z(layers.linesDepth.size());
        std::transform(layers.linesDepth.begin(), layers.linesDepth.end(), z.begin(), depthForFiles);
        image.layers.push_back({"lines.Z", true, std::move(z)});
    }
    const char *const axes[3] = {"N.X", "N.Y", "N.Z"};
    for (int c = 0; c < 3; ++c)
        if (!layers.normal[c].empty()) image.layers.push_back({axes[c], true, layers.normal[c]});
    if (!layers.objectIds.empty()) {
        addMatte("CryptoObject", layers.objectIds, layers.objectNames, image);
        addMatte("CryptoMaterial", layers.surfaceIds, layers.surfaceNames, image);
    }
}

}  // namespace

ExrImage toExrImage(const FrameBuffer &frame, const ExrChoices &choices) {
    ExrImage image;
    if (frame.width <= 0 || frame.height <= 0) return image;
    image.width = frame.width;
    image.height = frame.height;
    image.fullFloat = choices.fullFloat;
    image.straight = choices.straight;
    const std::vector<float> *planes[4] = {&frame.red, &frame.green, &frame.blue, &frame.alpha};
    std::vector<float> colour;
    for (int c = 0; c < 4; ++c) {
        colour = *planes[c];
        if (c < 3 && !choices.straight)
            std::transform(colour.begin(), colour.end(), frame.alpha.begin(), colour.begin(),
                           [](float v, float a) { return v * a; });
        if (choices.fullFloat) {
            image.floatRgba[c] = std::move(colour);
        } else {
            image.halfRgba[c].resize(colour.size());
            std::transform(colour.begin(), colour.end(), image.halfRgba[c].begin(),
                           [](float v) { return Imath::half(v).bits(); });
        }
    }
    image.depth.resize(frame.depth.size());
    std::transform(frame.depth.begin(), frame.depth.end(), image.depth.begin(), depthForFiles);
    addLayers(frame.layers, choices, image);
    return image;
}

bool writeExr(const ExrImage &image, const FrameTags &tags, const std::string &path, std::string &error) {
    if (image.width <= 0 || image.height <= 0) {
        error = path + ": an empty frame cannot be written";
        return false;
    }
    MemoryStream stream;
    try {
        Imf::Header header(image.width, image.height);
        header.compression() = Imf::ZIP_COMPRESSION;
        const Imf::PixelType colour = image.fullFloat ? Imf::FLOAT : Imf::HALF;
        for (const char *name : kRgba) header.channels().insert(name, Imf::Channel(colour));
        header.channels().insert("Z", Imf::Channel(Imf::FLOAT));
        for (const ExrImage::Channel &channel : image.layers)
            header.channels().insert(channel.name, Imf::Channel(channel.fullFloat ? Imf::FLOAT : Imf::HALF));
        header.insert("frame", Imf::IntAttribute(tags.frame));
        if (!tags.camera.empty()) header.insert("camera", Imf::StringAttribute(tags.camera));
        if (!tags.scene.empty()) header.insert("scene", Imf::StringAttribute(tags.scene));
        if (!tags.pixelHash.empty()) header.insert("pixelHash", Imf::StringAttribute(tags.pixelHash));
        // The pixel hash is of straight colour: a reader that checks it must
        // know whether the planes were multiplied by the alpha.
        header.insert("alphaMode", Imf::StringAttribute(image.straight ? "straight" : "premultiplied"));
        if (tags.view.known) addCamera(header, tags.view);
        for (const auto &[key, text] : image.layerTexts) header.insert(key, Imf::StringAttribute(text));

        const std::size_t width = static_cast<std::size_t>(image.width);
        Imf::FrameBuffer buffer;
        for (int c = 0; c < 4; ++c) {
            char *base = image.fullFloat
                             ? reinterpret_cast<char *>(const_cast<float *>(image.floatRgba[c].data()))
                             : reinterpret_cast<char *>(const_cast<uint16_t *>(image.halfRgba[c].data()));
            const std::size_t size = image.fullFloat ? sizeof(float) : sizeof(uint16_t);
            buffer.insert(kRgba[c], Imf::Slice(colour, base, size, size * width));
        }
        buffer.insert(
            "Z", Imf::Slice(Imf::FLOAT, reinterpret_cast<char *>(const_cast<float *>(image.depth.data())),
                            sizeof(float), sizeof(float) * width));
        std::vector<std::vector<uint16_t>> halves;  // alive until the pixels are written
        for (const ExrImage::Channel &channel : image.layers) {
            if (channel.fullFloat) {
                buffer.insert(channel.name,
                              Imf::Slice(Imf::FLOAT,
                                         reinterpret_cast<char *>(const_cast<float *>(channel.values.data())),
                                         sizeof(float), sizeof(float) * width));
                continue;
            }
            std::vector<uint16_t> &bits = halves.emplace_back(channel.values.size());
            std::transform(channel.values.begin(), channel.values.end(), bits.begin(),
                           [](float v) { return Imath::half(v).bits(); });
            buffer.insert(channel.name, Imf::Slice(Imf::HALF, reinterpret_cast<char *>(bits.data()),
                                                   sizeof(uint16_t), sizeof(uint16_t) * width));
        }
        Imf::OutputFile file(stream, header);
        file.setFrameBuffer(buffer);
        file.writePixels(image.height);
    } catch (const std::exception &e) {
        error = path + ": cannot encode the image: " + e.what();
        return false;
    }
    return writeFileAtomically(path, stream.bytes, error);
}

bool isCompleteExr(const std::string &path, int expectedWidth, int expectedHeight) {
    try {
        // Every block decoded, so that damage inside compressed data shows
        // (its checksum fails); a file cut short after its offset table
        // fails on the first block that is missing.
        Imf::InputFile file(path.c_str());
        if (!file.isComplete()) return false;
        const Imf::Header &header = file.header();
        const Imath::Box2i window = header.dataWindow();
        const long long width = static_cast<long long>(window.max.x) - window.min.x + 1;
        const long long height = static_cast<long long>(window.max.y) - window.min.y + 1;
        // A frame of another size is not this frame (and is not decoded).
        if (width != expectedWidth || height != expectedHeight) return false;
        const auto *hash = header.findTypedAttribute<Imf::StringAttribute>("pixelHash");
        // The pixel hash is of the 32-bit planes in straight colour: it can
        // be checked when the file holds them so (files without "alphaMode"
        // were all written straight).
        const auto *alphaMode = header.findTypedAttribute<Imf::StringAttribute>("alphaMode");
        bool exact = hash != nullptr && (alphaMode == nullptr || alphaMode->value() == "straight");
        for (const char *name : {"R", "G", "B", "A", "Z"}) {
            const Imf::Channel *channel = header.channels().findChannel(name);
            if (!channel) return false;
            exact = exact && channel->type == Imf::FLOAT;
        }
        FrameBuffer planes;
        planes.resize(static_cast<int>(width), static_cast<int>(height));
        std::vector<float> *targets[5] = {&planes.red, &planes.green, &planes.blue, &planes.alpha,
                                          &planes.depth};
        const char *names[5] = {"R", "G", "B", "A", "Z"};
        Imf::FrameBuffer buffer;
        // Slices address the data window's origin, wherever it lies.
        const long long origin = static_cast<long long>(window.min.y) * width + window.min.x;
        for (int c = 0; c < 5; ++c)
            buffer.insert(names[c],
                          Imf::Slice(Imf::FLOAT, reinterpret_cast<char *>(targets[c]->data() - origin),
                                     sizeof(float), sizeof(float) * static_cast<std::size_t>(width)));
        file.setFrameBuffer(buffer);
        file.readPixels(window.min.y, window.max.y);
        return !exact || framePixelHash(planes) == hash->value();
    } catch (const std::exception &) {
        return false;
    }
}

}  // namespace minihost
