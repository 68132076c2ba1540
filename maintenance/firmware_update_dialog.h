#pragma once

#include "maintenance/firmware_image.h"
#include "maintenance/update_steps.h"
#include "protocol/command_session.h"
#include "protocol/link_settings.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace va48 {

// Dialog 219: sends a Motorola S-record file to the amplifier over the open link, line by line,
// then has it write the image and, when the settings say so, reboot. The whole file is read and
// checked as S-records before the amplifier is touched; what passes goes out as it stands.
//
// Each step is one job of one UPD request; the session reports it to `self` with
// UM_UPDATE_STEP_DONE, UM_UPDATE_WRITE_DONE, UM_UPDATE_COMPLETED, UM_UPDATE_ABORTED or
// UM_UPDATE_FAILED (wParam: the ResultCode), which the dialog handles as window messages.
// While the write step runs the reply time-out is `link.updateTimeoutMs`; the time-out the
// dialog found when it opened is put back at every ending, at close and at destruction.
// Deletes itself when closed.
class FirmwareUpdateDialog : public QDialog {
  public:
    // What the dialog needs from the rest of the program. A test supplies its own.
    struct Hooks {
        WindowHandle self = 0; // how the session's jobs name this dialog
        // Hands a job to the session: Success, or NotStarted when its worker is still busy.
        std::function<ResultCode(const CommandJob&)> startJob;
        // Closes the link; called at the end of every update that was started.
        std::function<void()> closeLink;
        // Called once when the dialog closes, with the progress total: 0 when no update was
        // started (the link stays), anything else when one was (the link is to be dropped).
        std::function<void(std::uint64_t progressTotal)> closed;
    };

    FirmwareUpdateDialog(LinkSettings& link, Hooks hooks);
    ~FirmwareUpdateDialog() override;

    // The session's reports on the running update (UM_UPDATE_STEP_DONE, UM_UPDATE_WRITE_DONE,
    // UM_UPDATE_COMPLETED, UM_UPDATE_ABORTED, UM_UPDATE_FAILED with its result code). Reports of
    // an update that is over, or that never was, change nothing.
    void OnStepDone();
    void OnWriteDone();
    void OnCompleted();
    void OnAborted();
    void OnFailed(std::uintptr_t result);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape closes the dialog unless an update runs

  private:
    enum class Phase { Idle, Running, Finished };

    void Browse();
    void ShowFileSummary();
    void Start();
    void Send(const UpdateRequest& request);
    void Finish(const QString& status);
    void ShowPhase(Phase phase);
    void ShowProgress();
    bool Running() const;

    LinkSettings& link_;
    Hooks hooks_;
    std::uint32_t savedTimeoutMs_ = 0;
    Phase phase_ = Phase::Idle;
    bool started_ = false;
    bool closeReported_ = false;
    FirmwareFile file_; // what is being sent; fixed while an update runs
    std::optional<UpdateSequence> update_;
    std::unique_ptr<CommandJob> job_; // a job is large: kept off the stack

    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* start_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* abort_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace va48
