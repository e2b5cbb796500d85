#include "minihost/render/frame_writer.h"

#include <chrono>

#include "minihost/render/image_files.h"
#include "minihost/render/pixel_hash.h"

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

void FrameWriter::start(const FrameBuffer &frame, const std::string &path, FrameTags tags) {
    if (worker_.joinable()) worker_.join();
    // The pixels are taken now: the frame buffer is rendered into again while
    // the file is written.
    isExr_ = imageFormatOf(path) == ImageFormat::Exr;
    if (isExr_) {
        exr_ = toExrImage(frame, {options_.exrFloat, options_.exrStraight});
        image_ = {};
    } else {
        image_ = toRgba8(frame);
        exr_ = {};
    }
    tags_ = std::move(tags);
    tags_.pixelHash = framePixelHash(frame);
    path_ = path;
    ok_ = true;
    error_.clear();
    seconds_ = 0;
    worker_ = std::thread([this] { write(); });
}

void FrameWriter::write() {
    const auto t0 = std::chrono::steady_clock::now();
    ok_ = isExr_ ? writeExr(exr_, tags_, path_, error_)
                 : writePng(image_, path_, options_.pngCompression, error_, tags_);
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace minihost
