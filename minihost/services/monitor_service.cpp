#include "minihost/services/monitor_service.h"

#include <atomic>
#include <csignal>
#include <memory>
#include <mutex>
#include <new>

#include "minihost/core/service_guard.h"
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

// Every call is recorded, so that tests can read back what a module did.
template <typename MakeText>
void note(MakeText make) {
    std::string e = make();
    std::lock_guard<std::mutex> lock(eventMutex);
    // Only the latest calls are kept: a long render steps a monitor for every
    // row of every frame.
    if (events.size() >= kEventsKept) events.erase(events.begin(), events.begin() + kEventsKept / 2);
    events.push_back(std::move(e));
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
    if (Monitor *m = monitorOf(id)) m->title = title ? title : "";
}

void init(MonitorID id, unsigned int total, const char *text) {
    note([&] { return "init " + std::to_string(total) + " " + (text ? text : ""); });
    Monitor *m = monitorOf(id);
    if (!m) return;
    m->total = total;
    m->done = 0;
    m->bar.reset();  // a bar that cannot be made is not drawn
    m->bar = std::make_unique<ProgressBar>(m->title + (text && *text ? std::string(": ") + text : ""), total);
    m->bar->set(0);
}

// The abort answer of a step, also when the step itself failed: a request to
// stop is never lost.
int abortAnswer(int seen) {
    const int at = abortAtStep;
    if (at > 0 && seen >= at) return 1;
    return abortFlag ? 1 : 0;
}

int step(MonitorID id, unsigned int increment, const char *) {
    const int seen = ++stepsSeen;
    if (Monitor *m = monitorOf(id)) m->done += increment;
    note([&] { return "step " + std::to_string(increment); });
    if (Monitor *m = monitorOf(id); m && m->bar) m->bar->set(m->done);
    return abortAnswer(seen);
}

int stepFailed(MonitorID, unsigned int, const char *) { return abortAnswer(stepsSeen); }

void done(MonitorID id) {
    note([] { return std::string("done"); });
    if (Monitor *m = monitorOf(id); m && m->bar) m->bar->finish();
}

void destroy(MonitorID id) {
    delete monitorOf(id);
    note([] { return std::string("destroy"); });
}

MonitorFuncs record = {
    guardedService<"MonitorFuncs.create", create>, guardedService<"MonitorFuncs.setup", setup>,
    guardedService<"MonitorFuncs.init", init>,     guardedService<"MonitorFuncs.step", step, stepFailed>,
    guardedService<"MonitorFuncs.done", done>,     guardedService<"MonitorFuncs.destroy", destroy>};

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
