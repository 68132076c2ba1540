// Watching the levels beyond the last poll: every poll feeds the overload counts, the trend and
// the recording; the View menu opens their windows and sets the poll period.
#include "app/app_context.h"
#include "app/main_window.h"
#include "editor/settings_window.h"
#include "monitor/level_watch.h"
#include "monitor/overload_window.h"
#include "monitor/trend_window.h"
#include "ui/dialog_seam.h"
#include "ui/ui_text.h"

#include <string>

namespace va48 {

namespace {

// Shows a tool window made on first use, in front of the others.
template <typename Window, typename Make>
void ShowToolWindow(QPointer<Window>& window, Make make) {
    if (!window) {
        window = make();
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void MainWindow::TakeLevels() {
    TakePoll(app_.watch, app_.device, WallClock::now());
    if (app_.windows.overloadWindow) {
        app_.windows.overloadWindow->Refresh();
    }
    if (app_.windows.trendWindow) {
        app_.windows.trendWindow->Refresh();
    }
}

// The windows are made top-level, not children of the settings window, so that they stay usable
// while it waits disabled for a sequence; a disconnect closes them with it.
void MainWindow::OnOpenOverloadWindow() {
    if (!app_.windows.settingsWindow) {
        return;
    }
    ShowToolWindow(app_.windows.overloadWindow, [this] {
        return new OverloadWindow(nullptr, app_.watch.overloads, app_.device);
    });
}

void MainWindow::OnOpenTrendWindow() {
    if (!app_.windows.settingsWindow) {
        return;
    }
    ShowToolWindow(app_.windows.trendWindow,
                   [this] { return new TrendWindow(nullptr, app_.watch.trend, app_.device); });
}

// The settings window has set the new period; it is kept for the next start and the running
// timer takes it at once.
void MainWindow::OnPollPeriodChanged() {
    std::error_code why;
    if (!app_.settingsFile.WriteString(kViewSection, kPollPeriodKey,
                                       std::to_string(app_.watch.pollPeriodMs), &why)) {
        ShowMessageBox(app_.windows.settingsWindow.data(),
                       UiText(TextId::PollPeriodSaveFailed)
                           .replace(QLatin1String("%s"), QString::fromLocal8Bit(why.message())),
                       BoxIcon::Exclamation);
    }
    if (pollTimer_ != 0) {
        StopPollTimer();
        StartPollTimer();
    }
}

} // namespace va48
