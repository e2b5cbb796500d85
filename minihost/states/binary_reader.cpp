#include "minihost/states/binary_reader.h"

#include <algorithm>

namespace minihost {

BinaryStateReader::BinaryStateReader(std::string bytes) : data_(std::move(bytes)) {
    frames_.push_back({data_.size(), 0});
}

uint32_t BinaryStateReader::u32At(std::size_t at) const {
    const auto *p = reinterpret_cast<const unsigned char *>(data_.data() + at);
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint32_t BinaryStateReader::findBlock(const BlockIdent *table) {
    if (!table) return 0;
    const Frame here = top();
    std::size_t pos = here.pos;
    while (here.end - pos >= 8) {
        const uint32_t id = u32At(pos);
        const uint32_t length = u32At(pos + 4);
        const std::size_t contentStart = pos + 8;
        if (length > here.end - contentStart) return 0;  // lying length: no block here
        for (const BlockIdent *entry = table; entry->id != 0; ++entry) {
            if (entry->id == id) {
                top().pos = contentStart + length;  // where endBlock resumes
                frames_.push_back({contentStart + length, contentStart});
                return id;
            }
        }
        pos = contentStart + length;
    }
    return 0;
}

void BinaryStateReader::endBlock() {
    if (frames_.size() > 1) frames_.pop_back();
}

int BinaryStateReader::readIntegers(StateItem::Kind kind, void *vals, int count) {
    const int width = integerWidth(kind);
    if (!vals || count <= 0 || width == 0) return 0;
    const int n =
        static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(count), remaining() / width));
    const auto *p = reinterpret_cast<const unsigned char *>(data_.data() + top().pos);
    for (int i = 0; i < n; ++i) {
        uint64_t bits = 0;
        for (int b = 0; b < width; ++b) bits = (bits << 8) | p[i * width + b];
        storeInteger(kind, vals, i, static_cast<int64_t>(bits));
    }
    top().pos += static_cast<std::size_t>(n) * static_cast<std::size_t>(width);
    return n;
}

int BinaryStateReader::readFloats(float *vals, int count) {
    if (!vals || count <= 0) return 0;
    const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(count), remaining() / 4));
    for (int i = 0; i < n; ++i) {
        const uint32_t bits = u32At(top().pos + static_cast<std::size_t>(i) * 4);
        std::memcpy(&vals[i], &bits, 4);
    }
    top().pos += static_cast<std::size_t>(n) * 4;
    return n;
}

int BinaryStateReader::readBytes(char *buf, int count) {
    if (!buf || count <= 0) return 0;
    const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(count), remaining()));
    std::memcpy(buf, data_.data() + top().pos, static_cast<std::size_t>(n));
    top().pos += static_cast<std::size_t>(n);
    return n;
}

int BinaryStateReader::readString(char *buf, int max) {
    if (!buf || max <= 0) return 0;
    const char *start = data_.data() + top().pos;
    const void *nul = std::memchr(start, '\0', remaining());
    if (!nul) return 0;  // no terminator before the block ends: not a string
    const auto length = static_cast<std::size_t>(static_cast<const char *>(nul) - start);
    const std::size_t stored = std::min(length, static_cast<std::size_t>(max) - 1);
    std::memcpy(buf, start, stored);
    buf[stored] = '\0';
    top().pos += length + 1;
    return static_cast<int>(stored) + 1;
}

}  // namespace minihost
