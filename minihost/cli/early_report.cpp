#include "minihost/cli/early_report.h"

#include <filesystem>
#include <fstream>

namespace minihost::cli {

namespace fs = std::filesystem;

bool reportMayBeWrittenEarly(const std::string &report, const std::string &scene) {
    if (report.empty()) return false;
    std::error_code ec;
    if (fs::equivalent(report, scene, ec)) return false;
    const fs::path folder = fs::path(report).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) return false;
    const fs::file_status status = fs::symlink_status(report, ec);
    if (!fs::exists(status)) return true;
    if (!fs::is_regular_file(status)) return false;
    // A report begins so (render_report.cpp writes "scene" first).
    static const std::string kReportStart = "{\n  \"scene\": ";
    std::string start(kReportStart.size(), '\0');
    std::ifstream in(report, std::ios::binary);
    return in.read(start.data(), static_cast<std::streamsize>(start.size())) && start == kReportStart;
}

std::string RecordedErrors::lastMessage() const {
    std::string text = text_;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    std::string line = text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    static const std::string kPrefix = "minihost: ";
    if (line.compare(0, kPrefix.size(), kPrefix) == 0) line.erase(0, kPrefix.size());
    return line;
}

void RecordedErrors::keep(const char *s, std::size_t n) {
    // Only the last lines matter: a long run's messages are not all kept.
    constexpr std::size_t kKept = 1 << 16;
    if (text_.size() + n > 2 * kKept) text_.erase(0, text_.size() > kKept ? text_.size() - kKept : 0);
    text_.append(s, n);
}

int RecordedErrors::overflow(int c) {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    const char ch = static_cast<char>(c);
    keep(&ch, 1);
    out_.put(ch);
    return c;
}

std::streamsize RecordedErrors::xsputn(const char *s, std::streamsize n) {
    keep(s, static_cast<std::size_t>(n));
    out_.write(s, n);
    return n;
}

}  // namespace minihost::cli
