// A host frame for an image filter's process: the FilterAccess record over the
// test's own pixels. Like a host, a line handed out is valid only until its
// row is written: the image then overwrites the line it gave out with NaN, so
// a filter that reads a stale line produces NaN instead of passing by luck.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "host/access.h"

namespace imagetest {

class FilterImage {
public:
    FilterImage(int w, int h)
            : w_(w),
              h_(h),
              in_(4 * size_t(w) * size_t(h)),
              out_(in_.size(), kUnwritten),
              lines_(4, std::vector<float>(size_t(w))),
              lineRow_(4, -1) {}

    // Input pixel (x, y): red, green, blue, alpha.
    void setPixel(int x, int y, float r, float g, float b, float a) {
        float *p = &in_[4 * (size_t(y) * w_ + x)];
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }
    void fillGradient() {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                setPixel(x, y, float(x) / w_, float(y) / h_, 0.3f + 0.001f * float(x % 7),
                         0.25f + 0.5f * float(x % 2));
    }
    const float *input(int x, int y) const { return &in_[4 * (size_t(y) * w_ + x)]; }
    // What the filter wrote; kUnwritten where it wrote nothing.
    const float *output(int x, int y) const { return &out_[4 * (size_t(y) * w_ + x)]; }
    static constexpr float kUnwritten = -12345.0f;
    int width() const { return w_; }
    int height() const { return h_; }
    int writes() const { return writes_; }

    // The access record; its callbacks reach this image (one at a time).
    const FilterAccess *access() {
        current() = this;
        fa_.width = w_;
        fa_.height = h_;
        fa_.frame = 0;
        fa_.start = fa_.end = 0.0;
        fa_.getLine = &FilterImage::getLine;
        fa_.setRGB = &FilterImage::setRGB;
        fa_.setAlpha = &FilterImage::setAlpha;
        return &fa_;
    }
    // The record with another size than the pixels (for mismatched frames).
    const FilterAccess *accessSized(int w, int h) {
        access();
        fa_.width = w;
        fa_.height = h;
        return &fa_;
    }

    bool allWritten() const {
        for (float v : out_)
            if (v == kUnwritten) return false;
        return true;
    }

private:
    static FilterImage *&current() {
        static FilterImage *image = nullptr;
        return image;
    }
    // Rows written so far keep their new values for later reads.
    float value(int x, int y, int c) const {
        const float o = out_[4 * (size_t(y) * w_ + x) + c];
        return o == kUnwritten ? in_[4 * (size_t(y) * w_ + x) + c] : o;
    }
    static const float *getLine(int type, int y) {
        FilterImage *im = current();
        if (type < BUFFER_RED || type > BUFFER_ALPHA || y < 0 || y >= im->h_) return nullptr;
        const int c = type - BUFFER_RED;
        for (int x = 0; x < im->w_; ++x) im->lines_[c][x] = im->value(x, y, c);
        im->lineRow_[c] = y;
        return im->lines_[c].data();
    }
    void invalidate(int y) {
        for (int c = 0; c < 4; ++c)
            if (lineRow_[c] == y) {
                for (float &v : lines_[c]) v = std::numeric_limits<float>::quiet_NaN();
                lineRow_[c] = -1;
            }
    }
    static void setRGB(int x, int y, const float rgb[3]) {
        FilterImage *im = current();
        if (x < 0 || y < 0 || x >= im->w_ || y >= im->h_) return;
        for (int c = 0; c < 3; ++c) im->out_[4 * (size_t(y) * im->w_ + x) + c] = rgb[c];
        ++im->writes_;
        im->invalidate(y);
    }
    static void setAlpha(int x, int y, float a) {
        FilterImage *im = current();
        if (x < 0 || y < 0 || x >= im->w_ || y >= im->h_) return;
        im->out_[4 * (size_t(y) * im->w_ + x) + 3] = a;
        ++im->writes_;
        im->invalidate(y);
    }

    int w_, h_;
    std::vector<float> in_, out_;
    std::vector<std::vector<float>> lines_;
    std::vector<int> lineRow_;
    FilterAccess fa_{};
    int writes_ = 0;
};

}  // namespace imagetest
