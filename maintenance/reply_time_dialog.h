#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>

class QLineEdit;
class QPushButton;

namespace va48 {

// Dialog 147: runs N TST round trips over the open link and shows the count, the last, shortest,
// longest and mean time. Closing it disconnects.
class ReplyTimeDialog : public QDialog {
  public:
    // What the dialog needs from the rest of the program. A test supplies its own.
    struct Hooks {
        // A monotonic millisecond count; it may wrap around at 2^32.
        std::function<std::uint32_t()> now;
        // Asks for one round trip, whose outcome comes back as UM_REPLY_TEST_DONE or
        // UM_REPLY_TEST_FAILED.
        std::function<void()> requestRoundTrip;
        // Ends the link; called once when the dialog closes.
        std::function<void()> disconnect;
    };

    // A hook left empty: `now` is the steady clock, the others do nothing.
    explicit ReplyTimeDialog(Hooks hooks);

    // A round trip came back (UM_REPLY_TEST_DONE).
    void OnRoundTripDone();
    // A round trip failed (UM_REPLY_TEST_FAILED): the main window decides whether the failure is
    // shown; here the test just ends.
    void OnRoundTripFailed();
    // A typed character (WM_CHAR_MESSAGE); only the count field takes one.
    bool OnCharacter(std::uintptr_t code);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape is Close: it closes the dialog unless a test runs

  private:
    void OnStartStop();
    void Start();
    void ShowIdle();
    void RequestRoundTrip();

    Hooks hooks_;
    QLineEdit* count_ = nullptr;
    QLineEdit* tested_ = nullptr;
    QLineEdit* current_ = nullptr;
    QLineEdit* minimum_ = nullptr;
    QLineEdit* maximum_ = nullptr;
    QLineEdit* mean_ = nullptr;
    QPushButton* startStop_ = nullptr;
    QPushButton* close_ = nullptr;

    // The test under way. Times in milliseconds.
    std::int32_t target_ = 0;
    std::uint32_t testedCount_ = 0;
    std::uint32_t minimumMs_ = 0;
    std::uint32_t maximumMs_ = 0;
    double meanMs_ = 0;
    std::uint32_t startedAt_ = 0;
    bool running_ = false;
    bool roundTripPending_ = false;
};

} // namespace va48
