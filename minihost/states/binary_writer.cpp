#include "minihost/states/binary_writer.h"

#include <limits>

namespace minihost {
namespace {

void putU32(std::string &out, std::size_t at, uint32_t value) {
    out[at] = static_cast<char>(value >> 24);
    out[at + 1] = static_cast<char>(value >> 16);
    out[at + 2] = static_cast<char>(value >> 8);
    out[at + 3] = static_cast<char>(value);
}

void closeBlockAt(std::string &out, std::size_t lengthAt) {
    putU32(out, lengthAt, static_cast<uint32_t>(out.size() - lengthAt - 4));
}

}  // namespace

bool BinaryStateWriter::room(std::size_t extra) {
    // Every block length must fit 32 bits; the whole stream bounds them all.
    if (failed_ || extra > std::numeric_limits<uint32_t>::max() - out_.size()) {
        failed_ = true;
        return false;
    }
    return true;
}

void BinaryStateWriter::appendU32(uint32_t value) {
    const std::size_t at = out_.size();
    out_.resize(at + 4);
    putU32(out_, at, value);
}

void BinaryStateWriter::beginBlock(uint32_t id, const char *, bool) {
    if (!room(8)) return;
    appendU32(id);
    open_.push_back(out_.size());
    appendU32(0);
}

void BinaryStateWriter::endBlock() {
    if (open_.empty()) return;
    closeBlockAt(out_, open_.back());
    open_.pop_back();
}

void BinaryStateWriter::writeIntegers(StateItem::Kind kind, const void *vals, int count) {
    if (!vals || count <= 0) return;
    const int width = integerWidth(kind);
    if (!room(static_cast<std::size_t>(count) * static_cast<std::size_t>(width))) return;
    for (int i = 0; i < count; ++i) {
        const auto bits = static_cast<uint64_t>(loadInteger(kind, vals, i));
        for (int b = width - 1; b >= 0; --b) out_ += static_cast<char>(bits >> (8 * b));
    }
}

void BinaryStateWriter::writeFloats(const float *vals, int count) {
    if (!vals || count <= 0) return;
    if (!room(static_cast<std::size_t>(count) * 4)) return;
    for (int i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &vals[i], 4);
        appendU32(bits);
    }
}

void BinaryStateWriter::writeBytes(const char *buf, int count) {
    if (!buf || count <= 0) return;
    if (!room(static_cast<std::size_t>(count))) return;
    out_.append(buf, static_cast<std::size_t>(count));
}

void BinaryStateWriter::writeString(const char *str) {
    // A null string is written as the empty string so that the reader still
    // finds one.
    const char *text = str ? str : "";
    const std::size_t length = std::strlen(text);
    if (!room(length + 1)) return;
    out_.append(text, length + 1);
}

std::string BinaryStateWriter::bytes() const {
    std::string result = out_;
    // Blocks still open end where the stream ends, innermost first.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) closeBlockAt(result, *it);
    return result;
}

}  // namespace minihost
