#include "minihost/scene/json_positions.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <nlohmann/json.hpp>

namespace minihost {

TextPosition positionOfOffset(const std::string &text, size_t offset) {
    TextPosition pos{1, 1};
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++pos.line;
            pos.column = 1;
        } else {
            ++pos.column;
        }
    }
    return pos;
}

std::string pointerToken(const std::string &key) {
    std::string out;
    for (char c : key) {
        if (c == '~')
            out += "~0";
        else if (c == '/')
            out += "~1";
        else
            out += c;
    }
    return out;
}

namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

size_t skipSpace(const std::string &text, size_t i) {
    while (i < text.size() && isSpace(text[i])) ++i;
    return i;
}

// Past the closing quote of the string that opens at i.
size_t skipString(const std::string &text, size_t i) {
    for (++i; i < text.size() && text[i] != '"'; ++i)
        if (text[i] == '\\') ++i;
    return std::min(i + 1, text.size());
}

// Past the value that starts at i. Brackets inside strings do not count.
size_t skipValue(const std::string &text, size_t i) {
    if (i >= text.size()) return i;
    if (text[i] == '"') return skipString(text, i);
    if (text[i] != '{' && text[i] != '[') {
        while (i < text.size() && !isSpace(text[i]) && text[i] != ',' && text[i] != '}' && text[i] != ']')
            ++i;
        return i;
    }
    int depth = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            i = skipString(text, i);
            continue;
        }
        if (c == '{' || c == '[') ++depth;
        if ((c == '}' || c == ']') && --depth == 0) return i + 1;
        ++i;
    }
    return i;
}

// The string that opens at i, unescaped; the JSON library reads it only
// when it holds an escape.
std::string readKey(const std::string &text, size_t i) {
    const size_t end = skipString(text, i);
    const std::string raw = text.substr(i + 1, end - i - 2);
    if (raw.find('\\') == std::string::npos) return raw;
    try {
        return nlohmann::json::parse(text.substr(i, end - i)).get<std::string>();
    } catch (const std::exception &) {
        return {};
    }
}

// A pointer's tokens, "~1" and "~0" undone.
std::vector<std::string> pointerTokens(const std::string &pointer) {
    std::vector<std::string> tokens;
    size_t at = 0;
    while (at < pointer.size() && pointer[at] == '/') {
        const size_t next = std::min(pointer.find('/', at + 1), pointer.size());
        std::string token;
        for (size_t i = at + 1; i < next; ++i) {
            if (pointer[i] == '~' && i + 1 < next && (pointer[i + 1] == '0' || pointer[i + 1] == '1'))
                token += pointer[++i] == '0' ? '~' : '/';
            else
                token += pointer[i];
        }
        tokens.push_back(std::move(token));
        at = next;
    }
    return tokens;
}

bool arrayIndex(const std::string &token, size_t &index) {
    if (token.empty() || token.size() > 18 || token.find_first_not_of("0123456789") != std::string::npos)
        return false;
    index = std::stoull(token);
    return true;
}

}  // namespace

void JsonPositions::index(const std::string &text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ = text;
    children_.clear();
    lineStarts_.assign(1, 0);
    for (const char *p = text_.data(), *end = p + text_.size();
         (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)))); ++p)
        lineStarts_.push_back(static_cast<size_t>(p - text_.data()) + 1);
}

TextPosition JsonPositions::positionOf(size_t offset) const {
    const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    const size_t line = static_cast<size_t>(after - lineStarts_.begin());
    return {static_cast<int>(line), static_cast<int>(offset - lineStarts_[line - 1]) + 1};
}

const JsonPositions::Children *JsonPositions::childrenOf(size_t valueAt) const {
    if (valueAt >= text_.size() || (text_[valueAt] != '{' && text_[valueAt] != '[')) return nullptr;
    auto [it, added] = children_.try_emplace(valueAt);
    Children &c = it->second;
    if (!added) return &c;
    c.isObject = text_[valueAt] == '{';
    const char close = c.isObject ? '}' : ']';
    size_t i = skipSpace(text_, valueAt + 1);
    while (i < text_.size() && text_[i] != close) {
        Child child;
        child.keyAt = i;
        std::string key;
        if (c.isObject) {
            key = readKey(text_, i);
            i = skipSpace(text_, skipString(text_, i));
            i = skipSpace(text_, i + 1);  // the colon
        }
        child.valueAt = i;
        i = skipSpace(text_, skipValue(text_, i));
        if (i < text_.size() && text_[i] == ',') i = skipSpace(text_, i + 1);
        if (c.isObject) c.byKey[key] = c.list.size();
        c.list.push_back(child);
    }
    return &c;
}

TextPosition JsonPositions::at(const std::string &pointer) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (text_.empty()) return {};
    size_t valueAt = skipSpace(text_, 0), markAt = valueAt;
    for (const std::string &token : pointerTokens(pointer)) {
        const Children *children = childrenOf(valueAt);
        if (!children) break;
        const Child *found = nullptr;
        size_t index = 0;
        if (children->isObject) {
            // A key given twice is read as its last value, as the parser does.
            const auto it = children->byKey.find(token);
            if (it != children->byKey.end()) found = &children->list[it->second];
        } else if (arrayIndex(token, index) && index < children->list.size()) {
            found = &children->list[index];
        }
        if (!found) break;
        valueAt = found->valueAt;
        markAt = found->keyAt;
    }
    return positionOf(markAt);
}

}  // namespace minihost
