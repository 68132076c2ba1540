#include "app/main_window.h"

#include "app/app_context.h"
#include "app/connection_menu.h"
#include "app/processing_dialog.h"
#include "app/usb_choice.h"
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
    setWindowTitle(UiText(TextId::AppTitle));
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
    }
    return Dispatch(event) || QWidget::event(event);
}

bool MainWindow::Dispatch(QEvent* event) {
    static constexpr std::array<MessageRoute<MainWindow>, 44> kRoutes = {{
        {UM_CONNECT_REQUEST,
         [](MainWindow& w, const WindowMessageEvent& m) { w.OnConnectRequest(m.WParam()); }},
        {UM_DISCONNECT, [](MainWindow& w, const WindowMessageEvent&) { w.OnDisconnect(); }},
        {UM_COMMAND_FAILED,
         [](MainWindow& w, const WindowMessageEvent& m) { w.OnCommandFailed(m.WParam()); }},
        {UM_CONNECTED, [](MainWindow& w, const WindowMessageEvent&) { w.OnConnected(); }},
        {UM_READ_DEVICE_INDEX,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnReadDeviceIndex(); }},
        {UM_DEVICE_INDEX_READ,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnDeviceIndexRead(); }},
        {UM_SETTINGS_READ, [](MainWindow& w, const WindowMessageEvent&) { w.OnSettingsRead(); }},
        {UM_USER_FILTERS_READ,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnUserFiltersRead(); }},
        {UM_TEDS_READ, [](MainWindow& w, const WindowMessageEvent&) { w.OnTedsRead(); }},
        {UM_TEDS_SETTLED, [](MainWindow& w, const WindowMessageEvent&) { w.OnTedsSettled(); }},
        {UM_SETTINGS_REREAD,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnSettingsReread(); }},
        {UM_READ_ALL_DONE, [](MainWindow& w, const WindowMessageEvent&) { w.OnReadAllDone(); }},
        {UM_POLL_DATA, [](MainWindow& w, const WindowMessageEvent&) { w.OnPollData(); }},
        {UM_POLL_DONE, [](MainWindow& w, const WindowMessageEvent&) { w.OnPollDone(); }},
        {UM_OPEN_OVERLOAD_WINDOW,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnOpenOverloadWindow(); }},
        {UM_OPEN_TREND_WINDOW,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnOpenTrendWindow(); }},
        {UM_POLL_PERIOD_CHANGED,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnPollPeriodChanged(); }},
        {UM_LAN_SETTING_REQUEST,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnLanSettingRequest(); }},
        {UM_UPDATE_CONNECT_REQUEST,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnUpdateConnectRequest(); }},
        {UM_REPLY_TEST_CONNECT_REQUEST,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnReplyTestConnectRequest(); }},
        {UM_LAN_SETTING_UNREAD,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnLanSettingDialog(false); }},
        {UM_LAN_SETTING_READ,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnLanSettingDialog(true); }},
        {UM_SEND_SETTINGS, [](MainWindow& w, const WindowMessageEvent&) { w.OnSendSettings(); }},
        {UM_SEND_USER_HPF,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnSendUserFilters(false); }},
        {UM_SEND_USER_LPF,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnSendUserFilters(true); }},
        {UM_SEND_LAN_SETTING,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnSendLanSetting(); }},
        {UM_CAL_TOGGLE, [](MainWindow& w, const WindowMessageEvent&) { w.OnCalToggle(); }},
        {UM_READ_LAN_SETTING,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnReadLanSetting(); }},
        {UM_REPLY_TEST_SEND, [](MainWindow& w, const WindowMessageEvent&) { w.OnReplyTestSend(); }},
        {UM_READ_VERSION, [](MainWindow& w, const WindowMessageEvent&) { w.OnReadVersion(); }},
        {UM_CAL_DONE, [](MainWindow& w, const WindowMessageEvent&) { w.OnCalDone(); }},
        {UM_CAL_FAILED,
         [](MainWindow& w, const WindowMessageEvent& m) { w.OnCalFailed(m.WParam()); }},
        {UM_RESET_DONE, [](MainWindow& w, const WindowMessageEvent&) { w.OnResetDone(); }},
        {UM_REBOOT_DONE, [](MainWindow& w, const WindowMessageEvent&) { w.OnRebootDone(); }},
        {UM_VERSION_READ, [](MainWindow& w, const WindowMessageEvent&) { w.OnVersionRead(); }},
        {UM_RESET_REQUEST, [](MainWindow& w, const WindowMessageEvent&) { w.OnResetRequest(); }},
        {UM_REBOOT_REQUEST, [](MainWindow& w, const WindowMessageEvent&) { w.OnRebootRequest(); }},
        {UM_OPEN_HPF_DIALOG,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnOpenCoefficientDialog(false); }},
        {UM_HPF_DIALOG_CLOSED,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnCoefficientDialogClosed(false); }},
        {UM_OPEN_LPF_DIALOG,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnOpenCoefficientDialog(true); }},
        {UM_LPF_DIALOG_CLOSED,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnCoefficientDialogClosed(true); }},
        {UM_OPEN_UPDATE_DIALOG,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnOpenUpdateDialog(); }},
        {UM_UPDATE_DIALOG_CLOSED,
         [](MainWindow& w, const WindowMessageEvent& m) { w.OnUpdateDialogClosed(m.WParam()); }},
        {UM_REPLY_TEST_CONNECTED,
         [](MainWindow& w, const WindowMessageEvent&) { w.OnReplyTestConnected(); }},
    }};
    return RouteWindowMessage(event, *this, kRoutes);
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
    ShowMessageBox(owner, ResultText(result), BoxIcon::Error);
}

void MainWindow::OnConnectRequest(std::uintptr_t linkKind) {
    if (static_cast<LinkKind>(linkKind) == LinkKind::Usb &&
        !ChooseUsbAmplifier(app_.windows.connectionMenu, app_)) {
        return; // the user chose none: the menu stays
    }
    SetProcessingText(app_.windows, TextId::ProcessingConnect);
    app_.linkKind = static_cast<LinkKind>(linkKind);
    const ResultCode result = app_.session->Connect(app_.linkKind, UM_CONNECTED);
    if (result != ResultCode::Success) {
        HideProcessing(app_.windows);
        ShowFailure(ToInt(result), app_.windows.connectionMenu);
    }
}

void MainWindow::OnDisconnect() {
    StopPollTimer();
    // A recording's columns belong to this connection's amplifier.
    app_.watch.recorder.Stop();
    settingsSendStage_ = 0;
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
        pollTimer_ = startTimer(app_.watch.pollPeriodMs);
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
    // While a sequence runs the timer stays armed and looks again a period later.
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
