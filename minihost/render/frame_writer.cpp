#include "minihost/render/frame_writer.h"

namespace minihost {

FrameWriter::~FrameWriter() {
    if (worker_.joinable()) worker_.join();
}

bool FrameWriter::wait(std::string &written, std::string &error) {
    written.clear();
    if (!worker_.joinable()) return true;
    worker_.join();
    if (!ok_) {
        error = error_;
        return false;
    }
    written = path_;
    return true;
}

void FrameWriter::start(const FrameBuffer &frame, const std::string &path) {
    if (worker_.joinable()) worker_.join();
    // The bytes are taken now: the frame buffer is rendered into again while
    // the file is written.
    image_ = toRgba8(frame);
    path_ = path;
    ok_ = true;
    error_.clear();
    worker_ = std::thread([this] { ok_ = writePng(image_, path_, compression_, error_); });
}

}  // namespace minihost
