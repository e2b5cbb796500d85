#include "minihost/scene/obj_text_checks.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "minihost/files/input_error.h"

namespace minihost {

namespace {

using Tokens = std::vector<std::string_view>;

// Into `out`, whose storage is kept from line to line.
void split(std::string_view line, Tokens &out) {
    out.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
}

// The first token alone.
std::string_view keywordOf(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    return line.substr(start, i - start);
}

// No digit but zeros before the exponent: the number is zero however small
// the exponent, so strtod reports no underflow for it.
bool zeroDigits(std::string_view token) {
    for (const char c : token) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') return false;
    }
    return true;
}

// Elements of each kind: vertices, texture coordinates, normals.
struct Counts {
    long long v = 0, vt = 0, vn = 0;
};

int kindOf(std::string_view keyword) {
    if (keyword == "v") return 0;
    if (keyword == "vt") return 1;
    if (keyword == "vn") return 2;
    return -1;
}

long long &countOf(Counts &c, int kind) { return kind == 0 ? c.v : kind == 1 ? c.vt : c.vn; }

// One index of a corner: 1 .. total, or -1 .. -seen (counting back from the
// last element seen so far).
std::string indexFault(std::string_view token, long long seen, long long total, const char *what) {
    long long i = 0;
    const auto [stop, ec] = std::from_chars(token.data(), token.data() + token.size(), i);
    if (ec != std::errc() || stop != token.data() + token.size() || token.empty()) {
        // The rarer forms ("+5") as strtoll reads them.
        const std::string text(token);
        char *end = nullptr;
        errno = 0;
        i = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE)
            return std::string(what) + " index \"" + text + "\" is not an integer";
    }
    if (i == 0 || i > total || -i > seen)
        return std::string(what) + " index " + std::string(token) + " names no " + what + " (the file has " +
               std::to_string(i < 0 ? seen : total) + ")";
    return {};
}

std::string faceFault(const Tokens &t, const Counts &seen, const Counts &total) {
    if (t.size() < 4) return "a face needs at least three corners";
    static const char *const kWhat[3] = {"vertex", "texture coordinate", "normal"};
    for (size_t k = 1; k < t.size(); ++k) {
        std::string_view rest = t[k];
        for (int part = 0; part < 3; ++part) {
            const size_t slash = rest.find('/');
            const std::string_view index = rest.substr(0, slash);
            if (part == 0 || !index.empty()) {
                const long long s = part == 0 ? seen.v : part == 1 ? seen.vt : seen.vn;
                const long long n = part == 0 ? total.v : part == 1 ? total.vt : total.vn;
                std::string fault = indexFault(index, s, n, kWhat[part]);
                if (!fault.empty()) return fault;
            }
            if (slash == std::string_view::npos) break;
            rest = rest.substr(slash + 1);
            if (part == 2) return "corner \"" + std::string(t[k]) + "\" has more than three parts";
        }
    }
    return {};
}

// Each line without its comment and line end.
template <typename Each>
void forEachLine(std::string_view text, Each each) {
    size_t start = 0;
    for (long long number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        if (!each(number, line)) return;
        start = end + 1;
    }
}

}  // namespace

bool objNumber(std::string_view token, double &value) {
    // The usual decimal forms at once: correctly rounded, as strtod is.
    const char *end = token.data() + token.size();
    const auto [stop, ec] = std::from_chars(token.data(), end, value);
    if (ec == std::errc() && stop == end && !token.empty() &&
        (std::isnormal(value) || (value == 0 && zeroDigits(token))))
        return true;
    // The rest ('+', hexadecimal, infinities, numbers too large or too small)
    // as strtod has them.
    const std::string text(token);
    char *last = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &last);
    return last == text.c_str() + text.size() && !text.empty() && std::isfinite(value) && errno != ERANGE;
}

ObjTextCounts checkObjText(std::string_view text, const std::string &file) {
    Counts total;
    forEachLine(text, [&](long long, std::string_view line) {
        const int kind = kindOf(keywordOf(line));
        if (kind >= 0) ++countOf(total, kind);
        return true;
    });
    Counts seen;
    std::string fault;
    long long faultLine = 0, faces = 0, corners = 0;
    Tokens t;
    forEachLine(text, [&](long long number, std::string_view line) {
        split(line, t);
        if (t.empty()) return true;
        const int kind = kindOf(t[0]);
        if (kind >= 0) {
            const size_t needed = kind == 1 ? 1 : 3;  // a texture coordinate may have u alone
            if (t.size() < needed + 1) fault = "expected at least " + std::to_string(needed) + " number(s)";
            double value = 0;
            for (size_t k = 1; k < t.size() && fault.empty(); ++k)
                if (!objNumber(t[k], value)) fault = "\"" + std::string(t[k]) + "\" is not a finite number";
            ++countOf(seen, kind);
        } else if (t[0] == "f") {
            fault = faceFault(t, seen, total);
            ++faces;
            corners += static_cast<long long>(t.size()) - 1;
        }
        if (!fault.empty()) faultLine = number;
        return fault.empty();
    });
    if (!fault.empty()) throw InputError({file, static_cast<int>(faultLine)}, fault);
    return {total.v, total.vn, faces, corners};
}

}  // namespace minihost
