#pragma once

#include <QDialog>

namespace va48 {

// Dialog 147: runs N TST round trips over the open link and shows the count, the last, shortest,
// longest and mean time. Closing it disconnects.
class ReplyTimeDialog : public QDialog {
  public:
    ReplyTimeDialog();

  protected:
    bool event(QEvent* event) override; // UM_REPLY_TEST_DONE / _FAILED, WM_CHAR_MESSAGE
    void closeEvent(QCloseEvent* event) override;
};

} // namespace va48
