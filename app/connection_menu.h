#pragma once

#include <QDialog>

namespace va48 {

// Dialog 210: the first window and the one every disconnect returns to. Buttons USB (1011),
// LAN (1012), LAN Setting (1013), TIMEOUT Setting (1015) and END (1014), the product name (1010),
// a Help menu with Version... (command 152), and the hidden Ctrl+U and Ctrl+T commands.
class ConnectionMenu : public QDialog {
  public:
    ConnectionMenu();

    // A typed character (WM_CHAR_MESSAGE): Ctrl+U asks for the firmware update's connection,
    // Ctrl+T for the reply-time test's.
    void OnCharacter(char16_t code, bool control);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace va48
