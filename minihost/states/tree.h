// The text representation of save and load states as a tree, for tools that
// read or edit plug-in data without knowing the plug-in (scene files embed
// plug-in data as text).
//
// The text has one item per line, indented by depth; every value is tagged
// with its type so that it parses back without the plug-in's reader:
//
//   { PluginDataLib 0x50444C42
//     I4 1
//     { PluginDataParam 0x50445052
//       S "norm_err"
//       U4 0x50444242
//       B 3FC3333333333333
//     }
//   }
//
// A block line is "{", an optional token (bare when it is a plain word, else
// quoted), an optional identifier and "leaf" for a leaf block. Value tags are
// I1 I2 I4 (decimal), U1 U2 U4 (hex or decimal), F (floats, "nan" and "inf"
// allowed), B (hex bytes) and S (a quoted string with \" \\ \n \r \t \xHH).
// Empty lines and lines starting with '#' are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace minihost {

struct StateItem {
    enum class Kind { Block, I1, I2, I4, U1, U2, U4, FP, Bytes, Str } kind = Kind::Block;
    uint32_t id = 0;
    std::string token;
    bool leaf = false;                // Block
    std::vector<int64_t> ints;        // integer kinds
    std::vector<float> floats;        // FP
    std::string data;                 // Bytes (raw) / Str
    std::vector<StateItem> children;  // Block
    std::string note;                 // printed as a "# ..." line before the item; never parsed
};

// Blocks nest at most this deep in the text representation; deeper text is
// refused by the parser.
constexpr int kMaxStateTextDepth = 256;

// Parses text-representation bytes into a root Block (id 0) holding the
// top-level items. On a fault throws InputError at its line (what() reads
// "line N: what is wrong") and leaves in `root` the items read before the
// fault (blocks still open are kept as they are).
void parseStateText(const std::string &text, StateItem &root);

// The text of the root's children. Integer values outside their kind's range
// are written wrapped to it, so the result always parses back.
std::string stateTextFrom(const StateItem &root);

// Helpers shared by the text and the binary representations.
bool isIntegerKind(StateItem::Kind kind);
int integerWidth(StateItem::Kind kind);  // bytes of one value: 1, 2 or 4
int64_t wrapToKind(StateItem::Kind kind, int64_t value);

}  // namespace minihost
