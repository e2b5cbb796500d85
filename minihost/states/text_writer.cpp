#include "minihost/states/text_writer.h"

namespace minihost {

StateItem &TextStateWriter::current() {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it)
        if (*it) return **it;
    return root_;
}

void TextStateWriter::append(StateItem item) { current().children.push_back(std::move(item)); }

void TextStateWriter::beginBlock(uint32_t id, const char *token, bool leaf) {
    StateItem *opened = nullptr;
    if (realDepth_ < kMaxStateTextDepth) {
        StateItem block;
        block.kind = StateItem::Kind::Block;
        block.id = id;
        block.token = token ? token : "";
        block.leaf = leaf;
        StateItem &parent = current();
        parent.children.push_back(std::move(block));
        opened = &parent.children.back();
    }
    // A lost block still takes its place so that its endBlock matches.
    open_.push_back(opened);
    if (opened)
        ++realDepth_;
    else
        failed_ = true;
}

void TextStateWriter::endBlock() {
    if (open_.empty()) return;
    if (open_.back()) --realDepth_;
    open_.pop_back();
}

void TextStateWriter::writeIntegers(StateItem::Kind kind, const void *vals, int count) {
    if (!vals || count <= 0 || !isIntegerKind(kind)) return;
    StateItem item;
    item.kind = kind;
    item.ints.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) item.ints[static_cast<std::size_t>(i)] = loadInteger(kind, vals, i);
    append(std::move(item));
}

void TextStateWriter::writeFloats(const float *vals, int count) {
    if (!vals || count <= 0) return;
    StateItem item;
    item.kind = StateItem::Kind::FP;
    item.floats.assign(vals, vals + count);
    append(std::move(item));
}

void TextStateWriter::writeBytes(const char *buf, int count) {
    if (!buf || count <= 0) return;
    StateItem item;
    item.kind = StateItem::Kind::Bytes;
    item.data.assign(buf, static_cast<std::size_t>(count));
    append(std::move(item));
}

void TextStateWriter::writeString(const char *str) {
    StateItem item;
    item.kind = StateItem::Kind::Str;
    item.data = str ? str : "";
    append(std::move(item));
}

}  // namespace minihost
