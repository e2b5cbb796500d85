#include "minihost/scene/json_positions.h"

#include <cctype>

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

// A minimal walker over accepted JSON: it only needs to find where values
// and keys begin.
class Walker {
public:
    Walker(const std::string &text, std::unordered_map<std::string, TextPosition> &out)
            : text_(text), out_(out) {}

    void run() {
        skipSpace();
        out_[""] = here();
        value("");
    }

private:
    TextPosition here() const { return {line_, static_cast<int>(i_ - lineStart_) + 1}; }

    void advance() {
        if (i_ < text_.size() && text_[i_] == '\n') {
            ++line_;
            lineStart_ = i_ + 1;
        }
        ++i_;
    }

    void skipSpace() {
        while (i_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[i_]))) advance();
    }

    std::string readString() {
        // Raw text between the quotes, unescaped by the JSON library.
        const size_t start = i_;
        advance();  // opening quote
        while (i_ < text_.size() && text_[i_] != '"') {
            if (text_[i_] == '\\') advance();
            advance();
        }
        advance();  // closing quote
        try {
            return nlohmann::json::parse(text_.substr(start, i_ - start)).get<std::string>();
        } catch (const std::exception &) {
            return {};
        }
    }

    void value(const std::string &pointer) {
        skipSpace();
        if (i_ >= text_.size()) return;
        const char c = text_[i_];
        if (c == '{') {
            advance();
            skipSpace();
            while (i_ < text_.size() && text_[i_] != '}') {
                const TextPosition keyPos = here();
                const std::string child = pointer + "/" + pointerToken(readString());
                out_[child] = keyPos;
                skipSpace();
                advance();  // ':'
                value(child);
                skipSpace();
                if (i_ < text_.size() && text_[i_] == ',') advance();
                skipSpace();
            }
            advance();
        } else if (c == '[') {
            advance();
            skipSpace();
            for (int n = 0; i_ < text_.size() && text_[i_] != ']'; ++n) {
                skipSpace();
                const std::string child = pointer + "/" + std::to_string(n);
                out_[child] = here();
                value(child);
                skipSpace();
                if (i_ < text_.size() && text_[i_] == ',') advance();
                skipSpace();
            }
            advance();
        } else if (c == '"') {
            readString();
        } else {
            while (i_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[i_])) &&
                   text_[i_] != ',' && text_[i_] != '}' && text_[i_] != ']')
                advance();
        }
    }

    const std::string &text_;
    std::unordered_map<std::string, TextPosition> &out_;
    size_t i_ = 0, lineStart_ = 0;
    int line_ = 1;
};

}  // namespace

void JsonPositions::index(const std::string &text) {
    positions_.clear();
    Walker(text, positions_).run();
}

TextPosition JsonPositions::at(const std::string &pointer) const {
    // Fall back to the nearest enclosing value that is known.
    std::string p = pointer;
    while (true) {
        auto it = positions_.find(p);
        if (it != positions_.end()) return it->second;
        if (p.empty()) return {};
        const size_t slash = p.rfind('/');
        p = slash == std::string::npos ? std::string() : p.substr(0, slash);
    }
}

}  // namespace minihost
