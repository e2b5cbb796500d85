// Progress of a render over several frames: one line per frame written, with
// its time, on the command's error stream, and an overall bar with the count
// of frames and an estimate of the time left, on stderr (redrawn in place on
// a terminal, printed at quarter steps elsewhere; none when progress is
// quiet).
#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace minihost::cli {

class RangeProgress {
public:
    RangeProgress(std::ostream &out, int total);
    ~RangeProgress();  // ends the bar's line

    // A frame's file is written: its line, then the bar again.
    void frameWritten(int frame, const std::string &file, double seconds);

private:
    void drawBar();
    void clearBar();

    std::ostream &out_;
    int total_, done_ = 0, lastQuarter_ = 0;
    bool tty_, drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// "1.2 s", "3 min 20 s", "2 h 05 min".
std::string durationText(double seconds);

}  // namespace minihost::cli
