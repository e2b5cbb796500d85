#include "minihost/states/text_quoting.h"

namespace minihost {
namespace {

const char kHexDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string quoteStateString(std::string_view raw) {
    std::string out;
    out.reserve(raw.size() + 2);
    out += '"';
    for (char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte > 0x7E) {
                out += "\\x";
                out += kHexDigits[byte >> 4];
                out += kHexDigits[byte & 15];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

bool unquoteStateString(std::string_view text, std::size_t &pos, std::string &out, std::string &why) {
    if (pos >= text.size() || text[pos] != '"') {
        why = "expected a quoted string";
        return false;
    }
    out.clear();
    std::size_t i = pos + 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c != '\\') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) break;
        const char e = text[i + 1];
        i += 2;
        switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
            const int hi = i < text.size() ? hexValue(text[i]) : -1;
            const int lo = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            if (hi < 0 || lo < 0) {
                why = "bad \\x escape in string";
                return false;
            }
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default: why = std::string("unknown escape \\") + e + " in string"; return false;
        }
    }
    why = "unterminated string";
    return false;
}

bool isBareStateToken(std::string_view token) {
    if (token.empty() || !(isAsciiLetter(token[0]) || token[0] == '_')) return false;
    for (char c : token) {
        const bool ok =
            isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == ':' || c == '-';
        if (!ok) return false;
    }
    return true;
}

}  // namespace minihost
