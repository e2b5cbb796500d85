#include "tracer_s/composite.h"

#include <algorithm>
#include <cstring>

#include "tracer_s/edge_strength.h"

namespace qr::tracer_s {

namespace {

// A host line is valid only until the row is written, so each row is copied in
// chunks just before the chunk's pixels are written.
constexpr int kChunk = 256;

struct RowChunk {
    float red[kChunk], green[kChunk], blue[kChunk], alpha[kChunk];

    // Copies pixels [x0, x0 + count) of row y; false when the host has no row.
    bool read(const FilterAccess *fa, int y, int x0, int count) {
        const float *lines[4] = {fa->getLine(BUFFER_RED, y), fa->getLine(BUFFER_GREEN, y),
                                 fa->getLine(BUFFER_BLUE, y), fa->getLine(BUFFER_ALPHA, y)};
        float *out[4] = {red, green, blue, alpha};
        for (int c = 0; c < 4; ++c) {
            if (lines[c] == nullptr) return false;
            std::memcpy(out[c], lines[c] + x0, sizeof(float) * static_cast<size_t>(count));
        }
        return true;
    }
};

// Whether a stroke reached any of the pixel's cells. A pixel without one is
// written as its background directly: the average of b x b equal
// background terms differs from the background by a few units of the last
// place of a double at most, which the conversion to float rounds away, so
// the result is the same.
bool anyCoverage(const uint8_t *draw, int gridWidth, int b, int x, int y) {
    for (int row = b * y; row < b * y + b; ++row) {
        const uint8_t *cell = draw + 4 * (static_cast<size_t>(row) * static_cast<size_t>(gridWidth) +
                                          static_cast<size_t>(b) * static_cast<size_t>(x));
        for (int col = 0; col < b; ++col)
            if (cell[4 * col + 3] != 0) return true;
    }
    return false;
}

bool usable(const FilterAccess *fa) {
    return fa != nullptr && fa->getLine && fa->setRGB && fa->setAlpha && fa->width > 0 && fa->height > 0;
}

}  // namespace

void copyImageThrough(const FilterAccess *fa) {
    if (!usable(fa)) return;
    RowChunk chunk;
    for (int y = 0; y < fa->height; ++y) {
        for (int x0 = 0; x0 < fa->width; x0 += kChunk) {
            const int count = std::min(kChunk, fa->width - x0);
            if (!chunk.read(fa, y, x0, count)) break;
            for (int i = 0; i < count; ++i) {
                const float rgb[3] = {chunk.red[i], chunk.green[i], chunk.blue[i]};
                fa->setRGB(x0 + i, y, rgb);
                fa->setAlpha(x0 + i, y, chunk.alpha[i]);
            }
        }
    }
}

void compositeStrokes(const FilterAccess *fa, const uint8_t *draw, int gridWidth, int gridHeight,
                      int oversampling, bool overWhite) {
    if (!usable(fa) || oversampling <= 0) return;
    const int b = oversampling;
    const double cellsPerPixel = static_cast<double>(b * b);
    // Pixels whose b x b cells all lie in the grid.
    const int coveredWidth = std::min(fa->width, gridWidth / b);
    const int coveredHeight = std::min(fa->height, gridHeight / b);
    RowChunk chunk;
    for (int y = 0; y < fa->height; ++y) {
        for (int x0 = 0; x0 < fa->width; x0 += kChunk) {
            const int count = std::min(kChunk, fa->width - x0);
            if (!chunk.read(fa, y, x0, count)) break;
            for (int i = 0; i < count; ++i) {
                const int x = x0 + i;
                const double back[3] = {overWhite ? 1.0 : chunk.red[i], overWhite ? 1.0 : chunk.green[i],
                                        overWhite ? 1.0 : chunk.blue[i]};
                double rgb[3] = {back[0], back[1], back[2]};
                double coverage = 0.0;
                if (x < coveredWidth && y < coveredHeight && anyCoverage(draw, gridWidth, b, x, y)) {
                    double sum[3] = {0, 0, 0};
                    double alphaSum = 0.0;
                    for (int row = b * y; row < b * y + b; ++row) {
                        const uint8_t *cell =
                            draw + 4 * (static_cast<size_t>(row) * static_cast<size_t>(gridWidth) +
                                        static_cast<size_t>(b) * static_cast<size_t>(x));
                        for (int col = 0; col < b; ++col, cell += 4) {
                            const double a = cell[3] * kByteToUnit;
                            for (int c = 0; c < 3; ++c)
                                sum[c] += cell[c] * kByteToUnit * a + back[c] * (1.0 - a);
                            alphaSum += a;
                        }
                    }
                    for (int c = 0; c < 3; ++c) rgb[c] = sum[c] / cellsPerPixel;
                    coverage = alphaSum / cellsPerPixel;
                }
                const float out[3] = {static_cast<float>(rgb[0]), static_cast<float>(rgb[1]),
                                      static_cast<float>(rgb[2])};
                fa->setRGB(x, y, out);
                const double alpha = chunk.alpha[i] + coverage;
                fa->setAlpha(x, y, static_cast<float>(std::min(1.0, alpha)));
            }
        }
    }
}

}  // namespace qr::tracer_s
