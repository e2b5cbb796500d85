// Reads the text representation back into a state tree.
#include <charconv>
#include <limits>
#include <string_view>

#include "minihost/files/input_error.h"
#include "minihost/states/text_quoting.h"
#include "minihost/states/tree.h"

namespace minihost {
namespace {

using Kind = StateItem::Kind;

bool isSpace(char c) { return c == ' ' || c == '\t'; }

void skipSpaces(std::string_view line, std::size_t &pos) {
    while (pos < line.size() && isSpace(line[pos])) ++pos;
}

std::string_view nextWord(std::string_view line, std::size_t &pos) {
    skipSpaces(line, pos);
    const std::size_t start = pos;
    while (pos < line.size() && !isSpace(line[pos])) ++pos;
    return line.substr(start, pos - start);
}

bool kindFromTag(std::string_view tag, Kind &kind) {
    static const struct {
        const char *tag;
        Kind kind;
    } tags[] = {{"I1", Kind::I1}, {"I2", Kind::I2}, {"I4", Kind::I4},   {"U1", Kind::U1}, {"U2", Kind::U2},
                {"U4", Kind::U4}, {"F", Kind::FP},  {"B", Kind::Bytes}, {"S", Kind::Str}};
    for (const auto &entry : tags) {
        if (tag == entry.tag) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

// Decimal with an optional '-', or 0x hex; the magnitude must fit 64 bits.
bool parseWholeNumber(std::string_view word, bool &negative, uint64_t &magnitude, bool *isHex = nullptr) {
    negative = !word.empty() && word[0] == '-';
    if (negative) word.remove_prefix(1);
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    if (isHex) *isHex = base == 16;
    if (word.empty()) return false;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), magnitude, base);
    return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

// A value of an integer kind: signed kinds accept their signed range in
// decimal and any bit pattern of their width in hex; unsigned kinds accept 0
// to their maximum.
bool parseIntegerValue(std::string_view word, Kind kind, int64_t &value) {
    bool negative = false, isHex = false;
    uint64_t magnitude = 0;
    if (!parseWholeNumber(word, negative, magnitude, &isHex)) return false;
    const int bits = integerWidth(kind) * 8;
    const uint64_t unsignedMax = (uint64_t{1} << bits) - 1;
    const bool isSigned = kind == Kind::I1 || kind == Kind::I2 || kind == Kind::I4;
    if (negative) {
        if (!isSigned || magnitude > (uint64_t{1} << (bits - 1))) return false;
        value = -static_cast<int64_t>(magnitude);
    } else {
        const uint64_t signedMax = (uint64_t{1} << (bits - 1)) - 1;
        if (magnitude > (isSigned && !isHex ? signedMax : unsignedMax)) return false;
        value = static_cast<int64_t>(magnitude);
    }
    value = wrapToKind(kind, value);
    return true;
}

bool parseFloatValue(std::string_view word, float &value) {
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct OpenBlock {
    StateItem *item;
    int line;
};

class Parser {
public:
    explicit Parser(StateItem &root) : root_(root) {}

    bool run(std::string_view text) {
        int lineNumber = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            start = end + 1;
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!parseLine(line, lineNumber)) return false;
        }
        if (!open_.empty()) {
            const OpenBlock &last = open_.back();
            return fail(last.line, "block " + quoteStateString(last.item->token) + " is not closed");
        }
        return true;
    }

    // Where and why run() stopped, when it returned false.
    const InputError &fault() const { return fault_; }

private:
    StateItem &current() { return open_.empty() ? root_ : *open_.back().item; }

    bool fail(int line, const std::string &what) {
        fault_ = InputError({std::string(), line}, what);
        return false;
    }

    bool parseLine(std::string_view line, int lineNumber) {
        std::size_t pos = 0;
        skipSpaces(line, pos);
        if (pos == line.size() || line[pos] == '#') return true;
        const std::string_view tag = nextWord(line, pos);
        if (tag == "{") return parseBlockStart(line, pos, lineNumber);
        if (tag == "}") {
            if (!nextWord(line, pos).empty()) return fail(lineNumber, "text after \"}\"");
            if (open_.empty()) return fail(lineNumber, "\"}\" without an open block");
            open_.pop_back();
            return true;
        }
        StateItem item;
        if (!kindFromTag(tag, item.kind))
            return fail(lineNumber, "unknown item " + quoteStateString(tag.substr(0, 32)));
        if (!parseValues(line, pos, item, lineNumber)) return false;
        current().children.push_back(std::move(item));
        return true;
    }

    bool parseBlockStart(std::string_view line, std::size_t pos, int lineNumber) {
        if (static_cast<int>(open_.size()) >= kMaxStateTextDepth)
            return fail(lineNumber, "blocks nested deeper than " + std::to_string(kMaxStateTextDepth));
        StateItem block;
        skipSpaces(line, pos);
        if (pos < line.size() && line[pos] == '"') {
            std::string why;
            if (!unquoteStateString(line, pos, block.token, why)) return fail(lineNumber, why);
        } else if (pos < line.size() && !(line[pos] >= '0' && line[pos] <= '9')) {
            block.token = std::string(nextWord(line, pos));
        }
        std::string_view word = nextWord(line, pos);
        if (!word.empty() && word[0] >= '0' && word[0] <= '9') {
            bool negative = false;
            uint64_t id = 0;
            if (!parseWholeNumber(word, negative, id) || negative ||
                id > std::numeric_limits<uint32_t>::max())
                return fail(lineNumber, "bad block identifier " + quoteStateString(word.substr(0, 32)));
            block.id = static_cast<uint32_t>(id);
            word = nextWord(line, pos);
        }
        if (word == "leaf") {
            block.leaf = true;
            word = nextWord(line, pos);
        }
        if (!word.empty())
            return fail(lineNumber,
                        "unexpected " + quoteStateString(word.substr(0, 32)) + " on a block line");
        StateItem &parent = current();
        parent.children.push_back(std::move(block));
        open_.push_back({&parent.children.back(), lineNumber});
        return true;
    }

    bool parseValues(std::string_view line, std::size_t pos, StateItem &item, int lineNumber) {
        if (item.kind == Kind::Str) {
            skipSpaces(line, pos);
            std::string why;
            if (!unquoteStateString(line, pos, item.data, why)) return fail(lineNumber, why);
            if (!nextWord(line, pos).empty()) return fail(lineNumber, "text after the string");
            return true;
        }
        if (item.kind == Kind::Bytes) {
            const std::string_view hex = nextWord(line, pos);
            if (!nextWord(line, pos).empty()) return fail(lineNumber, "text after the bytes");
            if (hex.size() % 2 != 0) return fail(lineNumber, "odd number of hex digits");
            item.data.reserve(hex.size() / 2);
            for (std::size_t i = 0; i < hex.size(); i += 2) {
                const int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
                if (hi < 0 || lo < 0) return fail(lineNumber, "bad hex digit in bytes");
                item.data += static_cast<char>(hi * 16 + lo);
            }
            return true;
        }
        for (;;) {
            const std::string_view word = nextWord(line, pos);
            if (word.empty()) return true;
            const std::string shown = quoteStateString(word.substr(0, 32));
            if (item.kind == Kind::FP) {
                float value = 0.0f;
                if (!parseFloatValue(word, value)) return fail(lineNumber, "bad float " + shown);
                item.floats.push_back(value);
            } else {
                int64_t value = 0;
                if (!parseIntegerValue(word, item.kind, value))
                    return fail(lineNumber, "bad or out-of-range integer " + shown);
                item.ints.push_back(value);
            }
        }
    }

    StateItem &root_;
    std::vector<OpenBlock> open_;
    InputError fault_{FilePosition{}, std::string()};
};

}  // namespace

void parseStateText(const std::string &text, StateItem &root) {
    root = StateItem{};
    Parser parser(root);
    if (!parser.run(text)) throw parser.fault();
}

}  // namespace minihost
