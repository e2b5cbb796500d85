// Writing an output file so that it is never half-written: the bytes go to a
// temporary file beside the target, which replaces the target only once it
// is complete and flushed. The temporary's name is short (".qr-" and six
// characters), so it fits wherever the target's name fits.
#pragma once

#include <string>

namespace minihost {

// False with `error` set (naming the target) when the file could not be
// written; the target is then as it was and no temporary is left behind. A
// replaced file keeps its permissions; a new one gets 0644.
bool writeFileAtomically(const std::string &target, const std::string &bytes, std::string &error);

// A temporary file beside `target`, created and open: its descriptor and
// name. -1 when it cannot be made (errno says why).
int createTemporaryBeside(const std::string &target, std::string &temporary);

}  // namespace minihost
