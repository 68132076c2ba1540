#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QPushButton;
class QTabBar;

namespace va48 {

class LevelDisplay;
class InputPage;
class MeasurePage;
class UserFilterPage;

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
    void reject() override; // Escape must not hide the working screen

  private:
    void BuildChildren();
    bool OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void ApplyButtonRule();
    void OnCalChanged();
    void OnSend();
    void OnCancel();
    void OnTabChanged(int index);
    void OnCharacter(char16_t code, bool ctrl);
    bool CheckCurrentPage();
    std::array<QWidget*, 3> Pages() const;

    QTabBar* tabs_ = nullptr;
    QPushButton* calButton_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    LevelDisplay* levels_ = nullptr;
    InputPage* inputPage_ = nullptr;
    MeasurePage* measurePage_ = nullptr;
    UserFilterPage* userFilterPage_ = nullptr;
    int shownTab_ = 0;
};

} // namespace va48
