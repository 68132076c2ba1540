#pragma once

#include <QDialog>

namespace va48 {

class LevelDisplay;

// Dialog 212: the working screen after a read-all: the level display on the left, the three
// setting pages under a tab control (1500) on the right, CAL ON/OFF (1501), SEND (1502) and
// CANCEL (1503), a Help menu, and the Ctrl shortcuts.
class SettingsWindow : public QDialog {
  public:
    SettingsWindow();
    ~SettingsWindow() override;

    LevelDisplay* Levels() const;

  protected:
    bool event(QEvent* event) override; // UM_ messages and WM_CHAR_MESSAGE
    void closeEvent(QCloseEvent* event) override;
};

} // namespace va48
