// The text representation, read: the text is parsed into a state tree and
// the reader walks it. Text damaged part-way is read up to the fault.
// Reads take values from consecutive items of their own type, so values
// written in several calls can be read in one, as in the binary form;
// integer reads accept either signedness of their width.
#pragma once

#include <vector>

#include "minihost/states/stream.h"

namespace minihost {

class TextStateReader final : public StateReader {
public:
    explicit TextStateReader(const std::string &text);

    uint32_t findBlock(const BlockIdent *table) override;
    void endBlock() override;
    int depth() const override { return static_cast<int>(frames_.size()) - 1; }
    int readIntegers(StateItem::Kind kind, void *vals, int count) override;
    int readFloats(float *vals, int count) override;
    int readBytes(char *buf, int count) override;
    int readString(char *buf, int max) override;

    // The parser's complaint, empty when the whole text parsed.
    const std::string &parseError() const { return parseError_; }

private:
    struct Frame {
        const std::vector<StateItem> *items;
        std::size_t index = 0;   // next item
        std::size_t offset = 0;  // values (or bytes) of that item already read
    };
    // The next item with something left to read, or null at the block's end;
    // skips items that are fully read.
    const StateItem *nextValueItem();

    StateItem root_;
    std::string parseError_;
    std::vector<Frame> frames_;
};

}  // namespace minihost
