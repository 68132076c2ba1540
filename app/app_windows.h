#pragma once

#include "protocol/command_session.h"

#include <QPointer>
#include <QWidget>

namespace va48 {

class MainWindow;
class ConnectionMenu;
class ProcessingDialog;
class SettingsWindow;
class ReplyTimeDialog;
class OverloadWindow;
class TrendWindow;

// Window handles the session's jobs name as their receivers.
inline constexpr WindowHandle kMainWindowHandle = 1;
inline constexpr WindowHandle kReplyTimeDialogHandle = 2;
inline constexpr WindowHandle kUpdateDialogHandle = 3;

// The program's windows, each null while it does not exist: a window that goes away clears its
// pointer by itself, so code that acts on another window only has to test it.
struct AppWindows {
    QPointer<MainWindow> mainWindow;
    QPointer<ConnectionMenu> connectionMenu;
    QPointer<SettingsWindow> settingsWindow;
    QPointer<ProcessingDialog> processingDialog;
    QPointer<QWidget> hpfDialog;
    QPointer<QWidget> lpfDialog;
    QPointer<QWidget> updateDialog;
    QPointer<ReplyTimeDialog> replyTimeDialog;
    QPointer<OverloadWindow> overloadWindow;
    QPointer<TrendWindow> trendWindow;

    // The window a session handle names, or null.
    QObject* Resolve(WindowHandle handle) const;
};

// Queues / delivers a message to the main window of the running program (see App()).
void PostToMain(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
bool SendToMain(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

} // namespace va48
