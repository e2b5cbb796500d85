#include "minihost/scene/text_encoding.h"

namespace minihost {

bool isUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t more = 0;
        unsigned int code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            more = 1;
            code = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            code = c & 0x0Fu;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            code = c & 0x07u;
        } else {
            return false;
        }
        if (i + more >= text.size()) return false;  // cut short
        for (size_t k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            code = (code << 6) | (d & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        static const unsigned int kLeast[4] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[more] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += more + 1;
    }
    return true;
}

std::string utf8FromUtf8OrLatin1(std::string_view text) {
    if (isUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace minihost
