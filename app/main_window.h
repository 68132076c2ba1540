#pragma once

#include "app/app_windows.h"
#include "protocol/command_session.h"
#include "resources/text_id.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

namespace va48 {

class AppContext;

// The hidden window whose message handler is the program's dispatcher: connect, the read-all
// sequence, the poll, and every user operation arrive here as messages; each handler starts one
// job and returns, and the job's message continues the sequence.
class MainWindow : public QWidget {
  public:
    explicit MainWindow(AppContext& app);
    ~MainWindow() override;

  protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    bool Dispatch(QEvent* event); // a window message to its handler below

    // Connect, read-all and poll.
    void OnConnectRequest(std::uintptr_t linkKind);
    void OnDisconnect();
    void OnCommandFailed(std::uintptr_t result);
    void OnConnected();
    void OnReadDeviceIndex();
    void OnDeviceIndexRead();
    void OnSettingsRead();
    void OnUserFiltersRead();
    void OnTedsRead();
    void OnTedsSettled();
    void OnSettingsReread();
    void OnReadAllDone();
    void OnPollData();
    void OnPollDone();

    // Watching the levels (main_window_levels.cpp).
    void OnOpenOverloadWindow();
    void OnOpenTrendWindow();
    void OnPollPeriodChanged();
    void TakeLevels(); // one poll into the counts, the trend, the recording and their windows

    // User operations.
    void OnLanSettingRequest();
    void OnUpdateConnectRequest();
    void OnReplyTestConnectRequest();
    void OnLanSettingDialog(bool valuesRead);
    void OnSendSettings();
    void OnSendUserFilters(bool lowPass);
    void OnSendLanSetting();
    void OnCalToggle();
    void OnReadLanSetting();
    void OnReplyTestSend();
    void OnReadVersion();
    void OnCalDone();
    void OnCalFailed(std::uintptr_t result);
    void OnResetDone();
    void OnRebootDone();
    void OnVersionRead();
    void OnResetRequest();
    void OnRebootRequest();
    void OnOpenCoefficientDialog(bool lowPass);
    void OnCoefficientDialogClosed(bool lowPass);
    void OnOpenUpdateDialog();
    void OnUpdateDialogClosed(std::uintptr_t outcome);
    void OnReplyTestConnected();

    // Shared steps.
    // Starts the job in job_ with its messages; a job that cannot start reports 33 through its
    // fail message (or `unstartedMessage` with wParam 0 when that is given).
    void StartJob(std::uint32_t doneMessage, std::uint32_t failMessage,
                  WindowHandle notify = kMainWindowHandle, std::uint32_t unstartedMessage = 0);
    void ShowFailure(std::uintptr_t result, QWidget* owner);
    void StartPollTimer();
    void StopPollTimer();
    bool ToolDialogOpen() const;
    // Asks `question` (a string number) over the settings window, unless a tool dialog is open;
    // true for Yes. busy is set while asking and stays set on Yes.
    bool ConfirmedByUser(TextId question);
    void ShowSettingsWindowAgain();

    AppContext& app_;
    std::unique_ptr<CommandJob> job_; // the one job area every step fills
    int pollTimer_ = 0;
    std::array<bool, 16> tedsWatch_{};
    int settingsSendStage_ = 0; // SEND's user filter jobs done: 0 none, 1 high-pass, 2 both
};

} // namespace va48
