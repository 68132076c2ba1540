#pragma once

namespace va48 {

// Ends the Qt event loop on SIGTERM, SIGINT or SIGHUP (on Windows: the console's Ctrl+C, Ctrl+Break
// and close, log-off and shut-down), so that a program stopped from outside
// still closes its link and writes the end of its log. Call once, after the application object
// exists.
void QuitOnTerminationSignals();

} // namespace va48
