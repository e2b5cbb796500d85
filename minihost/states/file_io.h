// "File IO": save and load states on files. Mode 0 is the binary
// representation, 1 the text one; other modes, like files that cannot be
// opened, give null. A save goes to a temporary file beside the target that
// replaces it only when the state is closed and fully written, so a failed
// save never destroys an existing file.
#pragma once

#include <string>
#include <vector>

#include "host/messages_files.h"

namespace minihost {

FileIOFuncs *fileIORecord();

// Why the last failed open or close failed ("" when none has failed yet).
std::string lastFileIOError();

// Forgets the last failure, so that a caller can tell whether what it runs next fails.
void clearFileIOError();

// The files a module opened, looked for blocks in and closed without finding
// one, since the last clear: not data of that module (another edition's
// preset), or cut short. Each named once.
std::vector<std::string> unreadFileIOLoads();
void clearUnreadFileIOLoads();

}  // namespace minihost
