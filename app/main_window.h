#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

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
    bool Dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

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
    void StartJob(class CommandJobBuilder& job);
    void ShowFailure(std::uintptr_t result, QWidget* owner);
    void StartPollTimer();
    void StopPollTimer();
    bool ToolDialogOpen() const;
    void ShowSettingsWindowAgain();

    AppContext& app_;
    int pollTimer_ = 0;
    std::array<bool, 16> tedsWatch_{};
    int tedsFailCount_ = 0;
    std::array<QString, 16> tedsFailText_;
};

} // namespace va48
