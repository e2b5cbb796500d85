// Quoted strings and bare words of the state text representation.
#pragma once

#include <string>
#include <string_view>

namespace minihost {

// "..." with \" \\ \n \r \t and \xHH for every other byte outside
// printable ASCII, so the text is plain ASCII whatever the string holds.
std::string quoteStateString(std::string_view raw);

// Reads a quoted string starting at text[pos] (which must be '"'); on success
// stores the raw bytes in `out`, moves pos past the closing quote and returns
// true. On failure sets `why`.
bool unquoteStateString(std::string_view text, std::size_t &pos, std::string &out, std::string &why);

// True when the token can stand unquoted on a block line: a letter or '_'
// followed by letters, digits and _ . : -
bool isBareStateToken(std::string_view token);

}  // namespace minihost
