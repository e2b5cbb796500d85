// Where each value of a JSON text stands, so that scene errors can name the
// line and column of what they complain about.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace minihost {

struct TextPosition {
    int line = 0, column = 0;  // 1-based; 0 when unknown
};

// A key as one token of a JSON pointer ("~" and "/" escaped).
std::string pointerToken(const std::string &key);

// Line and column of a byte offset into text.
TextPosition positionOfOffset(const std::string &text, size_t offset);

// Maps JSON pointers ("/objects/2/surfaces/Red") to the position of the
// member's key, or of the value for array elements and the root; a pointer
// to nothing gets the position of the nearest value above it. Built from
// text that a JSON parser has already accepted.
//
// Only the containers a pointer passes through are scanned, each once, when
// first asked: a scene asks for the places of its items and settings, never
// for each of the numbers of a long key list, and an index of every value
// would take many times the text's size.
class JsonPositions {
public:
    void index(const std::string &text);  // keeps a copy of the text
    TextPosition at(const std::string &pointer) const;

private:
    // Where a member of an object or an element of an array stands.
    struct Child {
        size_t keyAt = 0, valueAt = 0;
    };
    struct Children {
        bool isObject = false;
        std::vector<Child> list;
        std::unordered_map<std::string, size_t> byKey;  // unescaped; a key given twice: its last place
    };
    const Children *childrenOf(size_t valueAt) const;  // null for a scalar
    TextPosition positionOf(size_t offset) const;

    std::string text_;
    std::vector<size_t> lineStarts_;
    mutable std::mutex mutex_;
    mutable std::unordered_map<size_t, Children> children_;  // by the container's offset
};

}  // namespace minihost
