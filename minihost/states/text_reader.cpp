#include "minihost/states/text_reader.h"

#include <algorithm>

#include "minihost/files/input_error.h"

namespace minihost {
namespace {

std::size_t valueCount(const StateItem &item) {
    if (isIntegerKind(item.kind)) return item.ints.size();
    if (item.kind == StateItem::Kind::FP) return item.floats.size();
    if (item.kind == StateItem::Kind::Bytes) return item.data.size();
    if (item.kind == StateItem::Kind::Str) return 1;
    return 0;
}

bool matches(const StateItem &block, const BlockIdent &entry) {
    // Text matches by token; a block or an entry without one falls back to
    // the identifier.
    if (entry.token && entry.token[0] && !block.token.empty()) return block.token == entry.token;
    return block.id == entry.id;
}

}  // namespace

TextStateReader::TextStateReader(const std::string &text) {
    // Text that does not parse is read as far as it goes: root_ keeps what
    // came before the fault.
    try {
        parseStateText(text, root_);
    } catch (const InputError &e) {
        parseError_ = e.what();
    }
    frames_.push_back({&root_.children});
}

const StateItem *TextStateReader::nextValueItem() {
    Frame &f = frames_.back();
    while (f.index < f.items->size()) {
        const StateItem &item = (*f.items)[f.index];
        if (item.kind == StateItem::Kind::Block) return &item;
        if (f.offset < valueCount(item)) return &item;
        ++f.index;
        f.offset = 0;
    }
    return nullptr;
}

uint32_t TextStateReader::findBlock(const BlockIdent *table) {
    if (!table) return 0;
    Frame &f = frames_.back();
    // A partly read item is passed over as a whole.
    std::size_t i = f.index + (f.offset > 0 ? 1 : 0);
    for (; i < f.items->size(); ++i) {
        const StateItem &item = (*f.items)[i];
        if (item.kind != StateItem::Kind::Block) continue;
        for (const BlockIdent *entry = table; entry->id != 0; ++entry) {
            if (matches(item, *entry)) {
                f.index = i + 1;
                f.offset = 0;
                frames_.push_back({&item.children});
                return entry->id;
            }
        }
    }
    return 0;
}

void TextStateReader::endBlock() {
    if (frames_.size() > 1) frames_.pop_back();
}

int TextStateReader::readIntegers(StateItem::Kind kind, void *vals, int count) {
    const int width = integerWidth(kind);
    if (!vals || count <= 0 || width == 0) return 0;
    int n = 0;
    while (n < count) {
        const StateItem *item = nextValueItem();
        if (!item || !isIntegerKind(item->kind) || integerWidth(item->kind) != width) break;
        Frame &f = frames_.back();
        const std::size_t take = std::min(item->ints.size() - f.offset, static_cast<std::size_t>(count - n));
        for (std::size_t k = 0; k < take; ++k)
            storeInteger(kind, vals, n + static_cast<int>(k), item->ints[f.offset + k]);
        f.offset += take;
        n += static_cast<int>(take);
    }
    return n;
}

int TextStateReader::readFloats(float *vals, int count) {
    if (!vals || count <= 0) return 0;
    int n = 0;
    while (n < count) {
        const StateItem *item = nextValueItem();
        if (!item || item->kind != StateItem::Kind::FP) break;
        Frame &f = frames_.back();
        const std::size_t take =
            std::min(item->floats.size() - f.offset, static_cast<std::size_t>(count - n));
        std::copy_n(item->floats.begin() + static_cast<std::ptrdiff_t>(f.offset), take, vals + n);
        f.offset += take;
        n += static_cast<int>(take);
    }
    return n;
}

int TextStateReader::readBytes(char *buf, int count) {
    if (!buf || count <= 0) return 0;
    int n = 0;
    while (n < count) {
        const StateItem *item = nextValueItem();
        if (!item || item->kind != StateItem::Kind::Bytes) break;
        Frame &f = frames_.back();
        const std::size_t take = std::min(item->data.size() - f.offset, static_cast<std::size_t>(count - n));
        std::memcpy(buf + n, item->data.data() + f.offset, take);
        f.offset += take;
        n += static_cast<int>(take);
    }
    return n;
}

int TextStateReader::readString(char *buf, int max) {
    if (!buf || max <= 0) return 0;
    const StateItem *item = nextValueItem();
    if (!item || item->kind != StateItem::Kind::Str) return 0;
    // A C string ends at its first NUL, as in the binary form.
    const std::size_t length = std::min(item->data.size(), std::strlen(item->data.c_str()));
    const std::size_t stored = std::min(length, static_cast<std::size_t>(max) - 1);
    std::memcpy(buf, item->data.data(), stored);
    buf[stored] = '\0';
    Frame &f = frames_.back();
    ++f.index;
    f.offset = 0;
    return static_cast<int>(stored) + 1;
}

}  // namespace minihost
