// Names read from mesh and material files: UTF-8 where they are, else taken
// as Latin-1 (what older exporters write) and converted, so that every name
// can be written in a scene file.
#pragma once

#include <string>
#include <string_view>

namespace minihost {

bool isUtf8(std::string_view text);
// The text itself when it is UTF-8, else each byte read as Latin-1.
std::string utf8FromUtf8OrLatin1(std::string_view text);

}  // namespace minihost
