// Writes a state tree as the text representation.
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "minihost/states/text_quoting.h"
#include "minihost/states/tree.h"

namespace minihost {
namespace {

const char *tagOf(StateItem::Kind kind) {
    using K = StateItem::Kind;
    switch (kind) {
    case K::I1: return "I1";
    case K::I2: return "I2";
    case K::I4: return "I4";
    case K::U1: return "U1";
    case K::U2: return "U2";
    case K::U4: return "U4";
    case K::FP: return "F";
    case K::Bytes: return "B";
    case K::Str: return "S";
    case K::Block: break;
    }
    return "?";
}

void appendInteger(std::string &out, StateItem::Kind kind, int64_t value) {
    const int64_t wrapped = wrapToKind(kind, value);
    char text[32];
    if (kind == StateItem::Kind::I1 || kind == StateItem::Kind::I2 || kind == StateItem::Kind::I4) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(wrapped));
    } else {
        // Unsigned values in hex, full width: four-character codes read well.
        std::snprintf(text, sizeof text, "0x%0*llX", integerWidth(kind) * 2,
                      static_cast<unsigned long long>(wrapped));
    }
    out += text;
}

void appendFloat(std::string &out, float value) {
    // Shortest text that reads back to the same float; "nan", "inf" and their
    // negatives for the special values. Independent of the locale.
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void appendHex(std::string &out, const std::string &data) {
    static const char digits[] = "0123456789ABCDEF";
    for (char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
}

void printItems(const std::vector<StateItem> &items, int depth, std::string &out) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    for (const StateItem &item : items) {
        if (!item.note.empty()) {
            // One comment line per line of the note; comments are skipped on reading.
            std::size_t start = 0;
            while (start <= item.note.size()) {
                const std::size_t end = std::min(item.note.find('\n', start), item.note.size());
                out += indent + "# " + item.note.substr(start, end - start) + "\n";
                start = end + 1;
            }
        }
        out += indent;
        if (item.kind == StateItem::Kind::Block) {
            out += '{';
            if (!item.token.empty()) {
                out += ' ';
                out += isBareStateToken(item.token) ? item.token : quoteStateString(item.token);
            }
            if (item.id != 0) {
                char text[16];
                std::snprintf(text, sizeof text, " 0x%08X", static_cast<unsigned>(item.id));
                out += text;
            }
            if (item.leaf) out += " leaf";
            out += '\n';
            printItems(item.children, depth + 1, out);
            out += indent;
            out += "}\n";
            continue;
        }
        out += tagOf(item.kind);
        if (isIntegerKind(item.kind)) {
            for (int64_t value : item.ints) {
                out += ' ';
                appendInteger(out, item.kind, value);
            }
        } else if (item.kind == StateItem::Kind::FP) {
            for (float value : item.floats) {
                out += ' ';
                appendFloat(out, value);
            }
        } else if (item.kind == StateItem::Kind::Bytes) {
            if (!item.data.empty()) out += ' ';
            appendHex(out, item.data);
        } else {
            out += ' ';
            out += quoteStateString(item.data);
        }
        out += '\n';
    }
}

}  // namespace

std::string stateTextFrom(const StateItem &root) {
    std::string out;
    printItems(root.children, 0, out);
    return out;
}

}  // namespace minihost
