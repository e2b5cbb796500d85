// Reading an input file whole, safely: only a regular file (never a device, a
// FIFO or a folder, which could block or never end), and only up to a limit,
// checked on the opened file itself so that nothing can swap it in between.
#pragma once

#include <cstddef>
#include <string>

namespace minihost {

// Limits of the inputs minihost reads whole.
inline constexpr std::size_t kMaxSceneFileBytes = 64u << 20;
inline constexpr std::size_t kMaxMeshFileBytes = 1024u << 20;
inline constexpr std::size_t kMaxMaterialFileBytes = 16u << 20;
inline constexpr std::size_t kMaxImageFileBytes = 256u << 20;
inline constexpr std::size_t kMaxStateFileBytes = 64u << 20;  // presets and other "File IO" loads

// The file's bytes into `out`; false with `error` set ("not a regular file",
// "larger than the limit of 16 MB", or why it cannot be opened) otherwise. The error
// does not repeat the path.
bool readRegularFile(const std::string &path, std::size_t limit, std::string &out, std::string &error);

// The same checks without reading: for a file that another part (a module,
// through "File IO") will read, so that the user hears at once what is wrong.
bool checkRegularFile(const std::string &path, std::size_t limit, std::string &error);

}  // namespace minihost
