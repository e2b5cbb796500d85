// A one-line progress bar on stderr, redrawn in place on a terminal and
// printed at quarter steps elsewhere (logs stay short).
#pragma once

#include <string>

namespace minihost {

class ProgressBar {
public:
    ProgressBar(std::string title, unsigned total);
    void set(unsigned done, const std::string &text = {});
    void finish();

private:
    std::string title_;
    unsigned total_;
    int lastShown_ = -1;
    bool tty_;
    bool finished_ = false;
};

// Progress output can be silenced (tests, --quiet).
void setProgressQuiet(bool quiet);
bool progressQuiet();

}  // namespace minihost
