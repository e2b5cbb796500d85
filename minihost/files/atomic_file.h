// Writing an output file so that it is never half-written: the bytes go to a
// temporary file beside the target, which replaces the target only once it
// is complete and flushed. The temporary's name is short (".qr-" and six
// characters), so it fits wherever the target's name fits.
//
// A target that exists and is not a regular file is never renamed over: a
// character device (/dev/null, a terminal) is written in place, anything else
// (a folder, a FIFO, a block device, a socket) is refused. A symbolic link is
// judged by what it points to.
#pragma once

#include <string>

namespace minihost {

// How an output target is written.
enum class OutputTarget { Replace, InPlace, Refused };

// What writing `target` would do; `why` says why a refused one is refused
// ("a folder", "a FIFO", ...), without the path.
OutputTarget outputTargetKind(const std::string &target, std::string &why);

// `target` opened for writing in place when it is a character device (checked
// on the opened file); -1 otherwise.
int openDeviceForWriting(const std::string &target);

// False with `error` set (naming the target) when the file could not be
// written; the target is then as it was and no temporary is left behind. A
// replaced file keeps its permissions; a new one gets 0644.
bool writeFileAtomically(const std::string &target, const std::string &bytes, std::string &error);

// A temporary file beside `target`, created and open: its descriptor and
// name. -1 when it cannot be made (errno says why).
int createTemporaryBeside(const std::string &target, std::string &temporary);

}  // namespace minihost
