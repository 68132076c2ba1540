// The read-all sequence and the poll: connect, CAL off, DID, SET, UHC/ULC, TDS with the TEDS
// evaluation, SET again, TEC, and the finish that opens the settings window.
#include "app/app_context.h"
#include "app/connection_menu.h"
#include "app/main_window.h"
#include "app/processing_dialog.h"
#include "editor/settings_window.h"
#include "monitor/level_watch.h"
#include "shell/sequence_jobs.h"
#include "ui/dialog_seam.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <algorithm>

namespace va48 {

namespace {

// The window a box of the read-all goes over: the settings window when there is one.
QWidget* BoxOwner(const AppWindows& windows) {
    if (windows.settingsWindow) {
        return windows.settingsWindow.data();
    }
    return windows.connectionMenu.data();
}

} // namespace

void MainWindow::OnConnected() {
    app_.editor.busy = true;
    ResetForConnection(app_.watch);
    SetProcessingText(app_.windows, TextId::ProcessingCal);
    BuildCalibrationJob(false, *job_);
    app_.device.calibrationOn = 0;
    StartJob(UM_READ_DEVICE_INDEX, UM_COMMAND_FAILED);
}

void MainWindow::OnReadDeviceIndex() {
    SetProcessingText(app_.windows, TextId::ProcessingDeviceIndex);
    app_.editor.busy = true;
    BuildDeviceIndexJob(*job_);
    StartJob(UM_DEVICE_INDEX_READ, UM_COMMAND_FAILED);
}

void MainWindow::OnDeviceIndexRead() {
    if (!AnyChannelPresent(app_.device)) {
        HideProcessing(app_.windows);
        ShowFailure(ToInt(ResultCode::NoDevice), app_.windows.connectionMenu);
        PostToMain(UM_DISCONNECT);
        return;
    }
    SetProcessingText(app_.windows, TextId::ProcessingDeviceSetting);
    BuildSettingsQueryJob(app_.device, *job_);
    StartJob(UM_SETTINGS_READ, UM_COMMAND_FAILED);
}

void MainWindow::OnSettingsRead() {
    SetProcessingText(app_.windows, TextId::ProcessingUserFilter);
    BuildUserFilterQueryJob(app_.device, *job_);
    StartJob(UM_USER_FILTERS_READ, UM_COMMAND_FAILED);
}

void MainWindow::OnUserFiltersRead() {
    SetProcessingText(app_.windows, TextId::ProcessingTedsRead);
    BuildTedsQueryJob(app_.device, *job_);
    StartJob(UM_TEDS_READ, UM_COMMAND_FAILED);
}

void MainWindow::OnTedsRead() {
    SetProcessingText(app_.windows, TextId::ProcessingTedsCheck);
    const TedsEvaluation evaluation = EvaluateTeds(app_.device, tedsWatch_);
    if (evaluation.pending != 0) {
        PostToMain(UM_USER_FILTERS_READ); // ask again until no channel is still reading
        return;
    }
    if (std::none_of(evaluation.failed.begin(), evaluation.failed.end(),
                     [](bool failed) { return failed; })) {
        PostToMain(UM_TEDS_SETTLED);
        return;
    }
    const std::string text =
        TedsFailureText(evaluation, UiText(TextId::TedsFailedHeading).toStdString(),
                        UiText(TextId::TedsFailedLine).toStdString());
    HideProcessing(app_.windows);
    ShowMessageBox(BoxOwner(app_.windows), QString::fromStdString(text), BoxIcon::Information);
    BuildTedsRetryJob(evaluation, tedsWatch_, *job_);
    StartJob(UM_TEDS_SETTLED, UM_COMMAND_FAILED);
}

void MainWindow::OnTedsSettled() {
    SetProcessingText(app_.windows, TextId::ProcessingDeviceSetting);
    BuildSettingsQueryJob(app_.device, *job_);
    StartJob(UM_SETTINGS_REREAD, UM_COMMAND_FAILED);
}

void MainWindow::OnSettingsReread() {
    // The closing TEC round ends the read-all whatever its outcome.
    BuildTedsExecuteJob(app_.device, *job_);
    StartJob(UM_READ_ALL_DONE, UM_READ_ALL_DONE);
}

void MainWindow::OnReadAllDone() {
    const UserFilterCheckResult check = CheckUserFilters(app_.device);
    if (check.channel != 0) {
        HideProcessing(app_.windows);
        app_.log.Write(check.check.logLine);
        app_.log.Write("No." + std::to_string(check.channel) + " User Filter Illigal Value\n");
        ShowMessageBox(
            BoxOwner(app_.windows),
            UiTextFormatted(static_cast<TextId>(ResultMessage(check.check.result)), check.channel),
            BoxIcon::Error);
        PostToMain(UM_DISCONNECT);
        return;
    }
    app_.editor.settingsModified = false;
    SetProcessingText(app_.windows, TextId::UpdatingWindows);

    for (QWidget* dialog : {app_.windows.hpfDialog.data(), app_.windows.lpfDialog.data()}) {
        if (dialog) {
            PostWindowMessage(app_.windows.settingsWindow.data(), UM_SETTINGS_LOADED);
            PostWindowMessage(dialog, UM_RELOAD_VALUES);
            HideProcessing(app_.windows);
            dialog->activateWindow();
            dialog->setFocus();
            return; // busy stays set until the dialog closes
        }
    }

    if (!app_.windows.settingsWindow) {
        // A new window starts with no edits, nothing running and the calibration signal off.
        app_.editor = EditorState{};
        app_.device.calibrationOn = 0;
        app_.windows.settingsWindow = new SettingsWindow(app_.Editor());
    }
    delete app_.windows.connectionMenu.data();
    StartPollTimer();
    HideProcessing(app_.windows);
    app_.editor.busy = false;
    SettingsWindow* settings = app_.windows.settingsWindow;
    settings->show();
    PostWindowMessage(settings, UM_SETTINGS_LOADED);
    settings->activateWindow();
    settings->setFocus();
}

void MainWindow::OnPollData() {
    BuildPollJob(*job_);
    StartJob(UM_POLL_DONE, UM_COMMAND_FAILED);
}

void MainWindow::OnPollDone() {
    TakeLevels();
    PostWindowMessage(app_.windows.settingsWindow.data(), UM_DATA_POLLED);
    StartPollTimer();
}

} // namespace va48
