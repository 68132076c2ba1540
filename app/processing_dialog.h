#pragma once

#include "app/app_windows.h"
#include "resources/text_id.h"

#include <QDialog>

#include <cstdint>

class QLabel;

namespace va48 {

// Dialog 202: the always-on-top note shown while a command sequence runs. Control 1050 holds the
// message line (UM_SET_PROCESSING_TEXT, wParam the text number), 1051 stays empty.
class ProcessingDialog : public QDialog {
  public:
    ProcessingDialog();

    QString Text() const;

    // Shows text `id` as the message line.
    void SetText(TextId id);

  protected:
    bool event(QEvent* event) override;

  private:
    QLabel* message_ = nullptr;
};

// Shows the processing dialog (creating it, centred and on top, when it does not exist) and
// disables the settings window, the connection menu and the coefficient dialogs.
void ShowProcessing(AppWindows& windows);

// Shows the processing dialog with text `id` as its message.
void SetProcessingText(AppWindows& windows, TextId id);

// Destroys the processing dialog and enables the windows again (the settings window stays
// disabled while a coefficient dialog is open).
void HideProcessing(AppWindows& windows);

// Destroys the firmware update dialog, the processing dialog, the HPF and LPF coefficient dialogs
// and the settings window, each if it exists. The connection menu and the reply-time dialog stay.
// HideProcessing and this delete at once, so that every pointer to a window clears before the
// caller goes on: call them from a handler of a posted message, never from inside a window they
// destroy.
void DestroySecondaryWindows(AppWindows& windows);

} // namespace va48
