// Writes finished frames on a thread of its own, so that a frame range
// renders the next frame while the last one is encoded: a PNG file, or an
// OpenEXR file for a name ending in ".exr". One write runs at a time; each
// file still appears only when complete.
#pragma once

#include <string>
#include <thread>

#include "minihost/render/exr_output.h"
#include "minihost/render/frame_tags.h"
#include "minihost/render/png_output.h"

namespace minihost {

struct FrameWriterOptions {
    int pngCompression = kDefaultPngCompression;
    bool exrFloat = false;     // 32-bit colour channels in OpenEXR files
    bool exrStraight = false;  // OpenEXR colour not multiplied by the alpha
};

class FrameWriter {
public:
    explicit FrameWriter(int compression = kDefaultPngCompression) { options_.pngCompression = compression; }
    explicit FrameWriter(const FrameWriterOptions &options) : options_(options) {}
    ~FrameWriter();  // waits for the write in flight
    FrameWriter(const FrameWriter &) = delete;
    FrameWriter &operator=(const FrameWriter &) = delete;

    // Waits for the write in flight. True when there was none or it
    // succeeded; `written` then names its file ("" when there was none).
    bool wait(std::string &written, std::string &error);
    // Takes the frame's pixels and starts writing them to `path`, with the
    // tags and the frame's pixel hash. Call wait() first: a write still in
    // flight is waited for, and its result lost.
    void start(const FrameBuffer &frame, const std::string &path, FrameTags tags = {});

    // The pixel hash of the last frame started, and the seconds its write
    // took (known once it was waited for).
    const std::string &pixelHash() const { return tags_.pixelHash; }
    double writeSeconds() const { return seconds_; }

private:
    void write();

    FrameWriterOptions options_;
    std::thread worker_;
    RgbaImage image_;
    ExrImage exr_;
    bool isExr_ = false;
    FrameTags tags_;
    std::string path_, error_;
    bool ok_ = true;
    double seconds_ = 0;
};

}  // namespace minihost
