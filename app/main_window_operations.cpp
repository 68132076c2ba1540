// The operations the user starts: sends, calibration, reset, reboot, version, the LAN setting
// path, the reply-time test, and the opening and closing of the tool dialogs.
#include "app/app_context.h"
#include "app/connection_menu.h"
#include "app/main_window.h"
#include "app/processing_dialog.h"
#include "editor/settings_window.h"
#include "maintenance/lan_setting_dialog.h"
#include "maintenance/reply_time_dialog.h"
#include "shell/sequence_jobs.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

namespace va48 {

void MainWindow::OnLanSettingRequest() {
    SetProcessingText(app_.windows, TextId::ProcessingConnect);
    if (app_.session->Connect(LinkKind::Usb, UM_READ_LAN_SETTING) != ResultCode::Success) {
        HideProcessing(app_.windows);
        PostToMain(UM_LAN_SETTING_UNREAD);
    }
}

void MainWindow::OnUpdateConnectRequest() {
    if (app_.session->Handle() != kNoConnection) {
        return;
    }
    SetProcessingText(app_.windows, TextId::ProcessingConnect);
    const ResultCode result = app_.session->Connect(LinkKind::Usb, UM_OPEN_UPDATE_DIALOG);
    if (result != ResultCode::Success) {
        HideProcessing(app_.windows);
        ShowFailure(ToInt(result), app_.windows.connectionMenu);
    }
}

void MainWindow::OnReplyTestConnectRequest() {
    if (app_.session->Handle() != kNoConnection) {
        return;
    }
    SetProcessingText(app_.windows, TextId::ProcessingConnect);
    const ResultCode result = app_.session->Connect(LinkKind::Lan, UM_REPLY_TEST_CONNECTED);
    if (result != ResultCode::Success) {
        HideProcessing(app_.windows);
        ShowFailure(ToInt(result), app_.windows.connectionMenu);
    }
}

void MainWindow::OnReadLanSetting() {
    SetProcessingText(app_.windows, TextId::ProcessingLanSettingRead);
    BuildLanQueryJob(*job_);
    StartJob(UM_LAN_SETTING_READ, UM_LAN_SETTING_UNREAD, kMainWindowHandle, UM_LAN_SETTING_UNREAD);
}

void MainWindow::OnLanSettingDialog(bool valuesRead) {
    app_.device.deviceLan.known = valuesRead ? 1 : 0;
    HideProcessing(app_.windows);
    LanSettingDialog dialog(app_.device, app_.link, app_.settingsFile, app_.windows.connectionMenu);
    if (RunModal(dialog) != 0) {
        SendToMain(UM_SEND_LAN_SETTING);
    } else {
        SendToMain(UM_DISCONNECT);
    }
}

void MainWindow::OnSendLanSetting() {
    SetProcessingText(app_.windows, TextId::ProcessingLanSettingWrite);
    BuildLanWriteJob(app_.device.deviceLan, *job_);
    StartJob(UM_DISCONNECT, UM_COMMAND_FAILED);
}

void MainWindow::OnSendSettings() {
    app_.editor.busy = true;
    SetProcessingText(app_.windows, TextId::ProcessingSendSettings);
    // A loaded setup may change user filters as well. They go first, the high-pass ones, then the
    // low-pass ones, so that a setting that chooses a user filter finds it defined; each job
    // comes back here for the next.
    while (settingsSendStage_ < 2) {
        const bool lowPass = settingsSendStage_++ == 1;
        if (UserFiltersToSend(app_.device, lowPass)) {
            BuildSendUserFiltersJob(app_.device, lowPass, *job_);
            StartJob(UM_SEND_SETTINGS, UM_COMMAND_FAILED);
            return;
        }
    }
    settingsSendStage_ = 0;
    BuildSendSettingsJob(app_.device, tedsWatch_, *job_);
    StartJob(UM_READ_DEVICE_INDEX, UM_COMMAND_FAILED);
}

void MainWindow::OnSendUserFilters(bool lowPass) {
    app_.editor.busy = true;
    BuildSendUserFiltersJob(app_.device, lowPass, *job_);
    StartJob(UM_READ_DEVICE_INDEX, UM_COMMAND_FAILED);
}

void MainWindow::OnCalToggle() {
    app_.editor.busy = true;
    SetProcessingText(app_.windows, TextId::ProcessingCal);
    BuildCalibrationJob(app_.device.calibrationOn == 0, *job_);
    StartJob(UM_CAL_DONE, UM_CAL_FAILED);
}

void MainWindow::OnCalDone() {
    app_.editor.busy = false;
    HideProcessing(app_.windows);
    app_.device.calibrationOn = app_.device.calibrationOn ? 0 : 1;
    PostWindowMessage(app_.windows.settingsWindow.data(), UM_CAL_CHANGED);
    ShowSettingsWindowAgain();
}

void MainWindow::OnCalFailed(std::uintptr_t result) {
    // The link stays: a calibration that did not switch is no reason to lose the connection.
    app_.editor.busy = false;
    HideProcessing(app_.windows);
    ShowFailure(result, app_.windows.settingsWindow);
    ShowSettingsWindowAgain();
}

void MainWindow::OnReplyTestSend() {
    BuildReplyTestJob(*job_);
    StartJob(UM_REPLY_TEST_DONE, UM_REPLY_TEST_FAILED, kReplyTimeDialogHandle);
}

void MainWindow::OnReadVersion() {
    if (ToolDialogOpen()) {
        return;
    }
    app_.editor.busy = true;
    SetProcessingText(app_.windows, TextId::ProcessingVersion);
    BuildVersionJob(*job_);
    StartJob(UM_VERSION_READ, UM_COMMAND_FAILED);
}

void MainWindow::OnVersionRead() {
    app_.editor.busy = false;
    HideProcessing(app_.windows);
    const std::string_view version = DeviceVersion(app_.device);
    ShowMessageBox(app_.windows.settingsWindow,
                   QStringLiteral("VA-48\nVersion ") +
                       QString::fromLatin1(version.data(), static_cast<qsizetype>(version.size())),
                   BoxIcon::None);
}

bool MainWindow::ConfirmedByUser(TextId question) {
    if (ToolDialogOpen()) {
        return false;
    }
    app_.editor.busy = true; // no poll while the question is open
    if (ShowMessageBox(app_.windows.settingsWindow, UiText(question), BoxIcon::Question,
                       BoxButtons::YesNo) == BoxAnswer::Yes) {
        return true;
    }
    app_.editor.busy = false;
    return false;
}

void MainWindow::OnResetRequest() {
    if (!ConfirmedByUser(TextId::AskSendReset)) {
        return;
    }
    SetProcessingText(app_.windows, TextId::ProcessingReset);
    BuildResetJob(*job_);
    StartJob(UM_RESET_DONE, UM_COMMAND_FAILED);
}

void MainWindow::OnResetDone() {
    HideProcessing(app_.windows);
    ShowMessageBox(nullptr, UiText(TextId::ResetCompleted), BoxIcon::Information);
    PostToMain(UM_DISCONNECT);
}

void MainWindow::OnRebootRequest() {
    if (!ConfirmedByUser(TextId::AskReboot)) {
        return;
    }
    SetProcessingText(app_.windows, TextId::Rebooting);
    BuildRebootJob(*job_);
    StartJob(UM_REBOOT_DONE, UM_COMMAND_FAILED);
}

void MainWindow::OnRebootDone() {
    HideProcessing(app_.windows);
    PostToMain(UM_DISCONNECT);
}

// The coefficient dialogs and the firmware update dialog are opened through the factories the
// program registers for them; until one is registered the request changes nothing, so the user
// is never left without a window.
void MainWindow::OnOpenCoefficientDialog(bool lowPass) {
    if (ToolDialogOpen()) {
        return;
    }
    const auto& factory = lowPass ? app_.dialogs.lpf : app_.dialogs.hpf;
    if (!factory) {
        return;
    }
    app_.editor.busy = true;
    if (app_.windows.settingsWindow) {
        app_.windows.settingsWindow->hide();
    }
    QWidget* dialog = factory();
    (lowPass ? app_.windows.lpfDialog : app_.windows.hpfDialog) = dialog;
    dialog->show();
}

void MainWindow::OnCoefficientDialogClosed(bool lowPass) {
    (lowPass ? app_.windows.lpfDialog : app_.windows.hpfDialog) = nullptr;
    app_.editor.busy = false;
    ShowSettingsWindowAgain();
}

void MainWindow::OnOpenUpdateDialog() {
    if (ToolDialogOpen()) {
        return;
    }
    HideProcessing(app_.windows);
    if (!app_.dialogs.update) {
        // Reached over the menu's own USB link: nothing will use it, so give it back.
        if (!app_.windows.settingsWindow) {
            PostToMain(UM_DISCONNECT);
        }
        return;
    }
    app_.editor.busy = true;
    if (app_.windows.settingsWindow) {
        app_.windows.settingsWindow->hide();
    } else if (app_.windows.connectionMenu) {
        app_.windows.connectionMenu->hide();
    }
    QWidget* dialog = app_.dialogs.update();
    app_.windows.updateDialog = dialog;
    dialog->show();
}

void MainWindow::OnUpdateDialogClosed(std::uintptr_t outcome) {
    app_.windows.updateDialog = nullptr;
    app_.editor.busy = false;
    if (outcome == 0 && app_.windows.settingsWindow) {
        ShowSettingsWindowAgain();
    } else {
        PostToMain(UM_DISCONNECT);
    }
}

void MainWindow::OnReplyTestConnected() {
    HideProcessing(app_.windows);
    delete app_.windows.connectionMenu.data();
    if (!app_.windows.replyTimeDialog) {
        ReplyTimeDialog::Hooks hooks;
        hooks.requestRoundTrip = [] { PostToMain(UM_REPLY_TEST_SEND); };
        hooks.disconnect = [] { SendToMain(UM_DISCONNECT); };
        app_.windows.replyTimeDialog = new ReplyTimeDialog(std::move(hooks));
    }
    app_.windows.replyTimeDialog->show();
}

} // namespace va48
