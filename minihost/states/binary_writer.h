// The binary representation, written: integers and floats big-endian, bytes
// raw, strings NUL-terminated; a block is its 4-byte identifier, a 4-byte
// content length and its content.
#pragma once

#include <vector>

#include "minihost/states/stream.h"

namespace minihost {

class BinaryStateWriter final : public StateWriter {
public:
    void beginBlock(uint32_t id, const char *token, bool leaf) override;
    void endBlock() override;
    int depth() const override { return static_cast<int>(open_.size()); }
    void writeIntegers(StateItem::Kind kind, const void *vals, int count) override;
    void writeFloats(const float *vals, int count) override;
    void writeBytes(const char *buf, int count) override;
    void writeString(const char *str) override;
    std::string bytes() const override;

private:
    // False (and the writer failed) when `extra` more bytes would not fit a
    // block length.
    bool room(std::size_t extra);
    void appendU32(uint32_t value);

    std::string out_;
    std::vector<std::size_t> open_;  // offsets of the open blocks' length fields
};

}  // namespace minihost
