#include "minihost/scene/obj_text_checks.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "minihost/files/input_error.h"

namespace minihost {

namespace {

using Tokens = std::vector<std::string_view>;

Tokens split(std::string_view line) {
    Tokens out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool finiteNumber(std::string_view token) {
    const std::string text(token);
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && !text.empty() && std::isfinite(v) && errno != ERANGE;
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
    const std::string text(token);
    char *end = nullptr;
    errno = 0;
    const long long i = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE)
        return std::string(what) + " index \"" + text + "\" is not an integer";
    if (i == 0 || i > total || -i > seen)
        return std::string(what) + " index " + text + " names no " + what + " (the file has " +
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

template <typename Each>
void forEachLine(const std::string &text, Each each) {
    size_t start = 0;
    for (long long number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        if (!each(number, split(line))) return;
        start = end + 1;
    }
}

}  // namespace

void checkObjText(const std::string &text, const std::string &file) {
    Counts total;
    forEachLine(text, [&](long long, const Tokens &t) {
        if (!t.empty() && kindOf(t[0]) >= 0) ++countOf(total, kindOf(t[0]));
        return true;
    });
    Counts seen;
    std::string fault;
    long long faultLine = 0;
    forEachLine(text, [&](long long number, const Tokens &t) {
        if (t.empty()) return true;
        const int kind = kindOf(t[0]);
        if (kind >= 0) {
            const size_t needed = kind == 1 ? 1 : 3;  // a texture coordinate may have u alone
            if (t.size() < needed + 1) fault = "expected at least " + std::to_string(needed) + " number(s)";
            for (size_t k = 1; k < t.size() && fault.empty(); ++k)
                if (!finiteNumber(t[k])) fault = "\"" + std::string(t[k]) + "\" is not a finite number";
            ++countOf(seen, kind);
        } else if (t[0] == "f") {
            fault = faceFault(t, seen, total);
        }
        if (!fault.empty()) faultLine = number;
        return fault.empty();
    });
    if (!fault.empty()) throw InputError({file, static_cast<int>(faultLine)}, fault);
}

}  // namespace minihost
