#include "minihost/cli/range_progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "minihost/services/progress_bar.h"

namespace minihost::cli {

RangeProgress::RangeProgress(std::ostream &out, int total)
        : out_(out), total_(total), tty_(isatty(STDERR_FILENO) != 0) {
    drawBar();
}

RangeProgress::~RangeProgress() {
    if (drawn_ && tty_) std::fputc('\n', stderr);
}

void RangeProgress::frameWritten(int frame, const std::string &file, double seconds) {
    ++done_;
    clearBar();
    char time[32];
    std::snprintf(time, sizeof time, "%.2f s", seconds);
    out_ << "minihost: wrote " << file << " (frame " << frame << ", " << done_ << "/" << total_ << ", "
         << time << ")\n";
    out_.flush();
    drawBar();
}

void RangeProgress::clearBar() {
    if (drawn_ && tty_) std::fputs("\r\x1b[K", stderr);
}

void RangeProgress::drawBar() {
    if (progressQuiet() || total_ <= 0) return;
    // Away from a terminal, only at each quarter, as the stage bars do.
    const int quarter = done_ * 4 / total_;
    if (!tty_ && (done_ == 0 || quarter == lastQuarter_)) return;
    lastQuarter_ = quarter;
    constexpr int kWidth = 30;
    std::string bar(static_cast<std::size_t>(done_ * kWidth / total_), '#');
    bar.resize(kWidth, '.');
    std::string left;
    if (done_ > 0 && done_ < total_) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        left = ", about " + durationText(elapsed / done_ * (total_ - done_)) + " left";
    }
    std::fprintf(stderr, "%sframes [%s] %d/%d%s%s", tty_ ? "\r" : "", bar.c_str(), done_, total_,
                 left.c_str(), tty_ ? "\x1b[K" : "\n");
    std::fflush(stderr);
    drawn_ = true;
}

std::string durationText(double seconds) {
    char text[48];
    if (seconds < 60)
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    else if (seconds < 3600)
        std::snprintf(text, sizeof text, "%d min %02d s", static_cast<int>(seconds / 60),
                      static_cast<int>(std::fmod(seconds, 60)));
    else
        std::snprintf(text, sizeof text, "%d h %02d min", static_cast<int>(seconds / 3600),
                      static_cast<int>(std::fmod(seconds, 3600) / 60));
    return text;
}

}  // namespace minihost::cli
