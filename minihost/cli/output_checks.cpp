#include "minihost/cli/output_checks.h"

#include <filesystem>

#include "minihost/files/atomic_file.h"

namespace minihost::cli {

bool checkThreadCount(int threads, std::ostream &err) {
    if (threads >= 0 && threads <= 256) return true;
    err << "minihost: --threads " << threads << ": expected 1 to 256\n";
    return false;
}

bool checkOutputTarget(const std::string &output, std::ostream &err) {
    std::string kind;
    if (outputTargetKind(output, kind) != OutputTarget::Refused) return true;
    err << "minihost: " << output << ": the output is " << kind
        << ", not a regular file; refusing to replace it\n";
    return false;
}

bool checkOutputPath(const std::string &output, std::ostream &err) {
    const std::filesystem::path outDir = std::filesystem::path(output).parent_path();
    std::error_code ec;
    if (output.empty() || (!outDir.empty() && !std::filesystem::is_directory(outDir, ec))) {
        err << "minihost: " << output << ": no such folder for the output\n";
        return false;
    }
    return checkOutputTarget(output, err);
}

}  // namespace minihost::cli
