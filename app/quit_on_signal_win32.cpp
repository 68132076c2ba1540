#include "app/quit_on_signal.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

#include <atomic>

namespace va48 {

namespace {

std::atomic<bool> eventLoopEnded{false};

// Windows ends a process as soon as the handler of a close, log-off or shut-down event returns
// (and after a few seconds in any case), so for those the handler waits until the event loop has
// ended and the link is closed.
constexpr DWORD kCloseWaitMs = 4000;
constexpr DWORD kCloseWaitStepMs = 20;

// Runs on a thread of its own that Windows starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        for (DWORD waited = 0; !eventLoopEnded && waited < kCloseWaitMs;
             waited += kCloseWaitStepMs) {
            Sleep(kCloseWaitStepMs);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

// On Windows the console's Ctrl+C, Ctrl+Break and close (and the session's log-off and
// shut-down) stand for the termination signals.
void QuitOnTerminationSignals() {
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { eventLoopEnded = true; });
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

} // namespace va48
