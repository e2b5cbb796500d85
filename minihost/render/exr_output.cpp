#include "minihost/render/exr_output.h"

#include <Imath/half.h>
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfCompression.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfIO.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfIntAttribute.h>
#include <OpenEXR/ImfOutputFile.h>
#include <OpenEXR/ImfStringAttribute.h>

#include <algorithm>

#include "minihost/files/atomic_file.h"
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

}  // namespace

ExrImage toExrImage(const FrameBuffer &frame, bool fullFloat) {
    ExrImage image;
    if (frame.width <= 0 || frame.height <= 0) return image;
    image.width = frame.width;
    image.height = frame.height;
    image.fullFloat = fullFloat;
    const std::vector<float> *planes[4] = {&frame.red, &frame.green, &frame.blue, &frame.alpha};
    for (int c = 0; c < 4; ++c) {
        if (fullFloat) {
            image.floatRgba[c] = *planes[c];
        } else {
            image.halfRgba[c].resize(planes[c]->size());
            std::transform(planes[c]->begin(), planes[c]->end(), image.halfRgba[c].begin(),
                           [](float v) { return Imath::half(v).bits(); });
        }
    }
    image.depth.resize(frame.depth.size());
    std::transform(frame.depth.begin(), frame.depth.end(), image.depth.begin(), depthForFiles);
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
        header.insert("frame", Imf::IntAttribute(tags.frame));
        if (!tags.camera.empty()) header.insert("camera", Imf::StringAttribute(tags.camera));
        if (!tags.scene.empty()) header.insert("scene", Imf::StringAttribute(tags.scene));
        if (!tags.pixelHash.empty()) header.insert("pixelHash", Imf::StringAttribute(tags.pixelHash));

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
        // The pixel hash is of the 32-bit planes: it can be checked when the
        // file holds them all as 32-bit floats.
        bool exact = hash != nullptr;
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
