#include "minihost/cli/input_error_report.h"

namespace minihost::cli {

void printInputError(const InputError &error, std::ostream &err) {
    const std::string at = positionText(error.position());
    err << "minihost: " << (at.empty() ? "" : at + ": ") << error.message() << '\n';
}

}  // namespace minihost::cli
