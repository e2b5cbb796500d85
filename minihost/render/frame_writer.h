// Writes finished frames as PNG files on a thread of its own, so that a
// frame range renders the next frame while the last one is encoded. One
// write runs at a time; each file still appears only when complete.
#pragma once

#include <string>
#include <thread>

#include "minihost/render/png_output.h"

namespace minihost {

class FrameWriter {
public:
    explicit FrameWriter(int compression = kDefaultPngCompression) : compression_(compression) {}
    ~FrameWriter();  // waits for the write in flight
    FrameWriter(const FrameWriter &) = delete;
    FrameWriter &operator=(const FrameWriter &) = delete;

    // Waits for the write in flight. True when there was none or it
    // succeeded; `written` then names its file ("" when there was none).
    bool wait(std::string &written, std::string &error);
    // Takes the frame's bytes and starts writing them to `path`. Call wait()
    // first: a write still in flight is waited for, and its result lost.
    void start(const FrameBuffer &frame, const std::string &path);

private:
    int compression_;
    std::thread worker_;
    RgbaImage image_;
    std::string path_, error_;
    bool ok_ = true;
};

}  // namespace minihost
