// The text representation, written: the writes build a state tree that
// stateTextFrom prints. Blocks deeper than kMaxStateTextDepth are not opened
// (their content goes into the deepest open block and the writer is marked
// failed), so the text always parses back.
#pragma once

#include <vector>

#include "minihost/states/stream.h"

namespace minihost {

class TextStateWriter final : public StateWriter {
public:
    void beginBlock(uint32_t id, const char *token, bool leaf) override;
    void endBlock() override;
    int depth() const override { return static_cast<int>(open_.size()); }
    void writeIntegers(StateItem::Kind kind, const void *vals, int count) override;
    void writeFloats(const float *vals, int count) override;
    void writeBytes(const char *buf, int count) override;
    void writeString(const char *str) override;
    std::string bytes() const override { return stateTextFrom(root_); }

    const StateItem &tree() const { return root_; }

private:
    StateItem &current();
    void append(StateItem item);

    StateItem root_;
    // Each open block lives in its parent's children; only the innermost
    // block's children grow, so these pointers stay valid. Null stands for a
    // block that was not opened (too deep, or out of memory).
    std::vector<StateItem *> open_;
    int realDepth_ = 0;  // non-null entries of open_
};

}  // namespace minihost
