// The binary representation, read. Every read and every block is bounded by
// the enclosing block's recorded end, which is itself checked against the
// buffer: a lying length makes findBlock fail, never read outside.
#pragma once

#include <vector>

#include "minihost/states/stream.h"

namespace minihost {

class BinaryStateReader final : public StateReader {
public:
    explicit BinaryStateReader(std::string bytes);

    uint32_t findBlock(const BlockIdent *table) override;
    void endBlock() override;
    int depth() const override { return static_cast<int>(frames_.size()) - 1; }
    int readIntegers(StateItem::Kind kind, void *vals, int count) override;
    int readFloats(float *vals, int count) override;
    int readBytes(char *buf, int count) override;
    int readString(char *buf, int max) override;

private:
    struct Frame {
        std::size_t end;  // one past the block's last byte
        std::size_t pos;  // next byte to read
    };
    Frame &top() { return frames_.back(); }
    std::size_t remaining() const { return frames_.back().end - frames_.back().pos; }
    uint32_t u32At(std::size_t at) const;

    std::string data_;
    std::vector<Frame> frames_;  // frames_[0] is the whole stream
};

}  // namespace minihost
