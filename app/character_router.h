#pragma once

#include "app/app_windows.h"

#include <QObject>

namespace va48 {

// Hands every typed character to the first window that exists of: HPF coefficient dialog, LPF
// coefficient dialog, settings window, reply-time dialog, connection menu, as WM_CHAR_MESSAGE;
// the window the key was typed in never sees it. Those windows turn Ctrl+letter into commands and
// pass other characters to their focused field themselves. Keys that are no character (Tab,
// arrows, Enter, Escape), keys typed in the firmware update dialog and everything while a modal
// dialog runs take Qt's usual way.
class CharacterRouter : public QObject {
  public:
    explicit CharacterRouter(const AppWindows& windows);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QObject* Target() const;
    const AppWindows& windows_;
};

} // namespace va48
