// How the command line shows a fault of what the user gave it to read: one
// line, "minihost: file:line:col: message", with the parts of the position
// that are known.
#pragma once

#include <ostream>

#include "minihost/files/input_error.h"

namespace minihost::cli {

void printInputError(const InputError &error, std::ostream &err);

}  // namespace minihost::cli
