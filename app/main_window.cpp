#include "app/main_window.h"

#include "app/app_context.h"
#include "app/connection_menu.h"
#include "app/processing_dialog.h"
#include "editor/settings_window.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QPointer>
#include <QTimerEvent>

#include <algorithm>
#include <array>

namespace va48 {

namespace {

// Messages whose handlers end the connection, and with it the windows a box may stand over.
constexpr std::array<std::uint32_t, 4> kConnectionEnders = {UM_DISCONNECT, UM_COMMAND_FAILED,
                                                            UM_RESET_DONE, UM_REBOOT_DONE};

bool EndsTheConnection(std::uint32_t message) {
    return std::ranges::find(kConnectionEnders, message) != kConnectionEnders.end();
}

} // namespace

MainWindow::MainWindow(AppContext& app) : app_(app), job_(std::make_unique<CommandJob>()) {
    setWindowTitle(UiText(301));
    hide(); // never shown: it exists to receive the program's messages
}

MainWindow::~MainWindow() {
    StopPollTimer();
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type()) {
        const auto* message = static_cast<WindowMessageEvent*>(event);
        if (EndsTheConnection(message->Message()) && ModalLoopRunning()) {
            // A box or dialog still runs its loop, perhaps over a window this handler destroys,
            // which would pull it from under the code waiting for its answer. End the boxes
            // first; the message comes back once the last of them has returned, so its own box
            // (the failure) appears after them.
            CloseModalLoopsThen(
                [window = QPointer<MainWindow>(this), m = message->Message(), w = message->WParam(),
                 l = message->LParam()] { PostWindowMessage(window.data(), m, w, l); });
            return true;
        }
        return Dispatch(message->Message(), message->WParam(), message->LParam());
    }
    return QWidget::event(event);
}

bool MainWindow::Dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    switch (message) {
    case UM_CONNECT_REQUEST:
        OnConnectRequest(wParam);
        break;
    case UM_DISCONNECT:
        OnDisconnect();
        break;
    case UM_COMMAND_FAILED:
        OnCommandFailed(wParam);
        break;
    case UM_CONNECTED:
        OnConnected();
        break;
    case UM_READ_DEVICE_INDEX:
        OnReadDeviceIndex();
        break;
    case UM_DEVICE_INDEX_READ:
        OnDeviceIndexRead();
        break;
    case UM_SETTINGS_READ:
        OnSettingsRead();
        break;
    case UM_USER_FILTERS_READ:
        OnUserFiltersRead();
        break;
    case UM_TEDS_READ:
        OnTedsRead();
        break;
    case UM_TEDS_SETTLED:
        OnTedsSettled();
        break;
    case UM_SETTINGS_REREAD:
        OnSettingsReread();
        break;
    case UM_READ_ALL_DONE:
        OnReadAllDone();
        break;
    case UM_POLL_DATA:
        OnPollData();
        break;
    case UM_POLL_DONE:
        OnPollDone();
        break;
    case UM_LAN_SETTING_REQUEST:
        OnLanSettingRequest();
        break;
    case UM_UPDATE_CONNECT_REQUEST:
        OnUpdateConnectRequest();
        break;
    case UM_REPLY_TEST_CONNECT_REQUEST:
        OnReplyTestConnectRequest();
        break;
    case UM_LAN_SETTING_UNREAD:
        OnLanSettingDialog(false);
        break;
    case UM_LAN_SETTING_READ:
        OnLanSettingDialog(true);
        break;
    case UM_SEND_SETTINGS:
        OnSendSettings();
        break;
    case UM_SEND_USER_HPF:
        OnSendUserFilters(false);
        break;
    case UM_SEND_USER_LPF:
        OnSendUserFilters(true);
        break;
    case UM_SEND_LAN_SETTING:
        OnSendLanSetting();
        break;
    case UM_CAL_TOGGLE:
        OnCalToggle();
        break;
    case UM_READ_LAN_SETTING:
        OnReadLanSetting();
        break;
    case UM_REPLY_TEST_SEND:
        OnReplyTestSend();
        break;
    case UM_READ_VERSION:
        OnReadVersion();
        break;
    case UM_CAL_DONE:
        OnCalDone();
        break;
    case UM_CAL_FAILED:
        OnCalFailed(wParam);
        break;
    case UM_RESET_DONE:
        OnResetDone();
        break;
    case UM_REBOOT_DONE:
        OnRebootDone();
        break;
    case UM_VERSION_READ:
        OnVersionRead();
        break;
    case UM_RESET_REQUEST:
        OnResetRequest();
        break;
    case UM_REBOOT_REQUEST:
        OnRebootRequest();
        break;
    case UM_OPEN_HPF_DIALOG:
        OnOpenCoefficientDialog(false);
        break;
    case UM_HPF_DIALOG_CLOSED:
        OnCoefficientDialogClosed(false);
        break;
    case UM_OPEN_LPF_DIALOG:
        OnOpenCoefficientDialog(true);
        break;
    case UM_LPF_DIALOG_CLOSED:
        OnCoefficientDialogClosed(true);
        break;
    case UM_OPEN_UPDATE_DIALOG:
        OnOpenUpdateDialog();
        break;
    case UM_UPDATE_DIALOG_CLOSED:
        OnUpdateDialogClosed(wParam);
        break;
    case UM_REPLY_TEST_CONNECTED:
        OnReplyTestConnected();
        break;
    default:
        return false;
    }
    return true;
}

void MainWindow::StartJob(std::uint32_t doneMessage, std::uint32_t failMessage, WindowHandle notify,
                          std::uint32_t unstartedMessage) {
    job_->notifyWindow = notify;
    job_->doneMessage = doneMessage;
    job_->failMessage = failMessage;
    if (app_.session->StartJob(*job_) == ResultCode::Success) {
        return;
    }
    if (unstartedMessage != 0) {
        PostToMain(unstartedMessage, 0);
    } else {
        app_.router.Post(notify, failMessage, ToInt(ResultCode::SendReceiveFailed), 0);
    }
}

void MainWindow::ShowFailure(std::uintptr_t result, QWidget* owner) {
    QString text = UiText(ResultMessage(static_cast<ResultCode>(result)));
    if (text.isEmpty()) {
        // A code without a text of its own in this language still gets a message.
        text = UiText(521);
    }
    ShowMessageBox(owner, text, BoxIcon::Error);
}

void MainWindow::OnConnectRequest(std::uintptr_t linkKind) {
    SetProcessingText(app_.windows, 451);
    const ResultCode result = app_.session->Connect(static_cast<LinkKind>(linkKind), UM_CONNECTED);
    if (result != ResultCode::Success) {
        HideProcessing(app_.windows);
        ShowFailure(ToInt(result), app_.windows.connectionMenu);
    }
}

void MainWindow::OnDisconnect() {
    StopPollTimer();
    app_.session->Disconnect();
    // Outcomes its worker posted before it stopped report on a link that is gone.
    app_.router.ForgetPostedMessages();
    DestroySecondaryWindows(app_.windows);
    if (!app_.windows.connectionMenu) {
        app_.windows.connectionMenu = new ConnectionMenu();
    }
    ConnectionMenu* menu = app_.windows.connectionMenu;
    menu->setEnabled(true);
    menu->show();
    menu->activateWindow();
    menu->setFocus();
}

void MainWindow::OnCommandFailed(std::uintptr_t result) {
    StopPollTimer(); // no poll on the failed link while its box is up
    HideProcessing(app_.windows);
    ShowFailure(result, app_.windows.connectionMenu);
    PostToMain(UM_DISCONNECT);
}

void MainWindow::StartPollTimer() {
    if (pollTimer_ == 0) {
        pollTimer_ = startTimer(kTimerPeriodMs);
    }
}

void MainWindow::StopPollTimer() {
    if (pollTimer_ != 0) {
        killTimer(pollTimer_);
        pollTimer_ = 0;
    }
}

void MainWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pollTimer_) {
        QWidget::timerEvent(event);
        return;
    }
    // While a sequence runs the timer stays armed and looks again a second later.
    if (app_.editor.busy) {
        return;
    }
    StopPollTimer();
    PostToMain(UM_POLL_DATA);
}

bool MainWindow::ToolDialogOpen() const {
    return app_.windows.hpfDialog || app_.windows.lpfDialog || app_.windows.updateDialog;
}

void MainWindow::ShowSettingsWindowAgain() {
    SettingsWindow* settings = app_.windows.settingsWindow;
    if (settings) {
        settings->setEnabled(true);
        settings->show();
        settings->activateWindow();
        settings->setFocus();
    }
}

} // namespace va48
