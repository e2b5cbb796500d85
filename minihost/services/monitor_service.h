// "LWLMonFuncs": progress monitors drawn as a bar on stderr. A step reports
// an abort once the user pressed Ctrl-C (see requestAbort) or when a test's
// script says so.
#pragma once

#include <string>
#include <vector>

#include "host/messages_files.h"

namespace minihost {

MonitorFuncs *monitorRecord();

// The abort request: set by the Ctrl-C handler (async-signal-safe), read by
// monitors and by the renderer between tiles and frames.
void requestAbort();
bool abortRequested();
void clearAbort();

// Tests: the monitor's step returns "abort" from its n-th call on (counting
// all monitors from 1); 0 turns the script off.
void setMonitorAbortAtStep(int n);
// Tests: the calls, as "create", "setup TITLE", "init TOTAL TEXT",
// "step N", "done", "destroy"; the latest 512 to 1024 of them.
std::vector<std::string> monitorEvents();
void clearMonitorEvents();

}  // namespace minihost
