// Where each value of a JSON text stands, so that scene errors can name the
// line and column of what they complain about.
#pragma once

#include <string>
#include <unordered_map>

namespace minihost {

struct TextPosition {
    int line = 0, column = 0;  // 1-based; 0 when unknown
};

// A key as one token of a JSON pointer ("~" and "/" escaped).
std::string pointerToken(const std::string &key);

// Line and column of a byte offset into text.
TextPosition positionOfOffset(const std::string &text, size_t offset);

// Maps JSON pointers ("/objects/2/surfaces/Red") to the position of the
// member's key, or of the value for array elements and the root. Built from
// text that a JSON parser has already accepted.
class JsonPositions {
public:
    void index(const std::string &text);
    TextPosition at(const std::string &pointer) const;

private:
    std::unordered_map<std::string, TextPosition> positions_;
};

}  // namespace minihost
