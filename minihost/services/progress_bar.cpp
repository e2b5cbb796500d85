#include "minihost/services/progress_bar.h"

#include <atomic>
#include <cstdio>

#include <unistd.h>

namespace minihost {

namespace {
std::atomic<bool> quietFlag{false};
std::atomic<ProgressListener> progressListener{nullptr};
}  // namespace

void setProgressQuiet(bool quiet) { quietFlag = quiet; }
bool progressQuiet() { return quietFlag; }
void setProgressListener(ProgressListener listener) { progressListener = listener; }

ProgressBar::ProgressBar(std::string title, unsigned total)
        : title_(std::move(title)), total_(total), tty_(isatty(STDERR_FILENO) != 0) {}

void ProgressBar::set(unsigned done, const std::string &text) {
    if (const ProgressListener listener = progressListener.load(); listener && !finished_)
        listener(title_.c_str(), done, total_);
    if (quietFlag || finished_) return;
    const int percent = total_ ? static_cast<int>(100.0 * (done > total_ ? total_ : done) / total_) : 100;
    const int step = tty_ ? percent : percent / 25 * 25;
    if (step == lastShown_) return;
    lastShown_ = step;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(width, '.');
    std::fprintf(stderr, "%s%s [%s] %3d%%%s%s%s", tty_ ? "\r" : "", title_.c_str(), bar.c_str(), percent,
                 text.empty() ? "" : " ", text.c_str(), tty_ ? "\x1b[K" : "\n");
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (finished_) return;
    set(total_);
    finished_ = true;
    if (!quietFlag && tty_) std::fputc('\n', stderr);
}

}  // namespace minihost
