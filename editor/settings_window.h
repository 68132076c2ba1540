#pragma once

#include "editor/editor_context.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class QMenuBar;
class QPushButton;
class QTabBar;

namespace va48 {

class LevelDisplay;
class StatusLine;
class InputPage;
class MeasurePage;
class UserFilterPage;

// Dialog 212: the working screen after a read-all: the level display on the left, the three
// setting pages under a tab control (1500) on the right, CAL ON/OFF (1501), SEND (1502) and
// CANCEL (1503), the program's menus, and the Ctrl shortcuts. The window messages it takes
// (UM_DATA_POLLED, UM_SETTINGS_LOADED, UM_SETTINGS_EDITED, UM_CAL_CHANGED, WM_CHAR_MESSAGE) call
// the methods below.
class SettingsWindow : public QDialog {
  public:
    explicit SettingsWindow(EditorContext context);
    ~SettingsWindow() override;

    LevelDisplay* Levels() const;

    // The levels of a poll have arrived: the level display shows them, the recording indicator
    // counts the line, and a recording that failed is reported.
    void ShowLevels();
    // A read-all has filled the device image: every page and the level display show it again.
    void Reload();
    // A page changed an edit setup: CAL locks, SEND and CANCEL open.
    void MarkEdited();
    // The calibration signal went on or off: the pages lock or unlock and everything is read again.
    void CalChanged();
    // A typed character: a Ctrl shortcut asks the main window for its operation, anything else
    // goes to the input page. Ignored while the window is disabled or a sequence runs.
    void OnCharacter(char16_t code, bool ctrl);

    StatusLine* Status() const;

  protected:
    bool event(QEvent* event) override; // UM_ messages and WM_CHAR_MESSAGE
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape must not hide the working screen

  private:
    void BuildChildren();
    void ApplyButtonRule();
    void ShowStatus();
    void OnLoadSetup();
    void OnRecordLevels();
    void OnPollPeriod(int ms);
    void ShowRecording(); // the File item's text and the status line's indicator
    void TellRecordFailure();
    void OnSend();
    void OnCancel();
    void OnTabChanged(int index);
    bool CheckCurrentPage();
    std::array<QWidget*, 3> Pages() const;

    EditorContext context_;
    QTabBar* tabs_ = nullptr;
    QPushButton* calButton_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    LevelDisplay* levels_ = nullptr;
    InputPage* inputPage_ = nullptr;
    MeasurePage* measurePage_ = nullptr;
    UserFilterPage* userFilterPage_ = nullptr;
    StatusLine* status_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    int shownTab_ = 0;
    QString loadedSetup_;  // the name of the setup file loaded last, for the report
    bool sending_ = false; // from SEND until the read-all after it has reloaded the pages
};

} // namespace va48
