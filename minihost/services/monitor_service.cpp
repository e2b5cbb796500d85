#include "minihost/services/monitor_service.h"

#include <atomic>
#include <csignal>
#include <memory>
#include <mutex>
#include <new>

#include "minihost/services/progress_bar.h"

namespace minihost {
namespace {

// Lock-free, so a signal handler may set it; atomic, because the studio's
// request threads abort a render running on another thread.
std::atomic<int> abortFlag{0};
std::atomic<int> abortAtStep{0};
std::atomic<int> stepsSeen{0};

constexpr std::size_t kEventsKept = 1024;
std::mutex eventMutex;
std::vector<std::string> events;

// Recording is best effort: nothing may reach the module, so every callback
// builds its text inside a try.
template <typename MakeText>
void note(MakeText make) noexcept {
    try {
        std::string e = make();
        std::lock_guard<std::mutex> lock(eventMutex);
        // Only the latest calls are kept: a long render steps a monitor
        // for every row of every frame.
        if (events.size() >= kEventsKept) events.erase(events.begin(), events.begin() + kEventsKept / 2);
        events.push_back(std::move(e));
    } catch (...) {
    }
}

struct Monitor {
    std::string title = "progress";
    unsigned total = 0, done = 0;
    std::unique_ptr<ProgressBar> bar;
};

Monitor *monitorOf(MonitorID id) { return reinterpret_cast<Monitor *>(id); }

MonitorID create() {
    note([] { return std::string("create"); });
    return reinterpret_cast<MonitorID>(new (std::nothrow) Monitor);
}

void setup(MonitorID id, const char *title, unsigned int, const char *) {
    note([&] { return std::string("setup ") + (title ? title : ""); });
    if (Monitor *m = monitorOf(id)) {
        try {
            m->title = title ? title : "";
        } catch (...) {
        }
    }
}

void init(MonitorID id, unsigned int total, const char *text) {
    note([&] { return "init " + std::to_string(total) + " " + (text ? text : ""); });
    Monitor *m = monitorOf(id);
    if (!m) return;
    try {
        m->total = total;
        m->done = 0;
        m->bar =
            std::make_unique<ProgressBar>(m->title + (text && *text ? std::string(": ") + text : ""), total);
        m->bar->set(0);
    } catch (...) {
        m->bar.reset();
    }
}

int step(MonitorID id, unsigned int increment, const char *) {
    note([&] { return "step " + std::to_string(increment); });
    const int seen = ++stepsSeen;
    if (Monitor *m = monitorOf(id)) {
        m->done += increment;
        try {
            if (m->bar) m->bar->set(m->done);
        } catch (...) {
        }
    }
    const int at = abortAtStep;
    if (at > 0 && seen >= at) return 1;
    return abortFlag ? 1 : 0;
}

void done(MonitorID id) {
    note([] { return std::string("done"); });
    if (Monitor *m = monitorOf(id)) try {
            if (m->bar) m->bar->finish();
        } catch (...) {
        }
}

void destroy(MonitorID id) {
    note([] { return std::string("destroy"); });
    delete monitorOf(id);
}

MonitorFuncs record = {create, setup, init, step, done, destroy};

}  // namespace

MonitorFuncs *monitorRecord() { return &record; }

void requestAbort() { abortFlag = 1; }
bool abortRequested() { return abortFlag != 0; }
void clearAbort() { abortFlag = 0; }

void setMonitorAbortAtStep(int n) {
    abortAtStep = n;
    stepsSeen = 0;
}

std::vector<std::string> monitorEvents() {
    std::lock_guard<std::mutex> lock(eventMutex);
    return events;
}

void clearMonitorEvents() {
    std::lock_guard<std::mutex> lock(eventMutex);
    events.clear();
}

}  // namespace minihost
