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

// Told of every bar's progress, quiet or not, for an interface that shows it
// elsewhere (the studio's page); null: nobody. Called on the thread that sets
// the bar.
using ProgressListener = void (*)(const char *title, unsigned done, unsigned total);
void setProgressListener(ProgressListener listener);

}  // namespace minihost
