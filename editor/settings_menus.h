#pragma once

#include <functional>

class QMenuBar;
class QWidget;

namespace va48 {

// What the settings window's File and Device menus do.
struct SettingsMenuActions {
    std::function<void()> saveSetup;
    std::function<void()> loadSetup;
    std::function<void()> exportReport;
    // A Device item: the Ctrl shortcut code (kCtrlV ...) whose operation it runs, so that the item
    // and the key take the same path and meet the same refusals.
    std::function<void(char16_t code)> deviceCommand;
    // File: starts the level recording, or stops the one running (the item's text says which).
    std::function<void()> recordLevels;
    // View: the overload history and trend windows, and the poll period in milliseconds.
    std::function<void()> showOverloads;
    std::function<void()> showTrend;
    std::function<void(int ms)> setPollPeriod;
    int pollPeriodMs = 1000; // the period checked at first
};

// Adds "File" (Save setup..., Load setup..., Export report..., Record levels...), "View" (Overload
// history, Trend, Poll period) and "Device" (Version, Reset, Reboot, HPF coefficients..., LPF
// coefficients..., Firmware update..., each showing its Ctrl shortcut) to `bar`. The shortcuts are
// shown, not bound: the keys keep reaching the window as typed characters, as they always have.
void AddSettingsMenus(QMenuBar& bar, QWidget& window, const SettingsMenuActions& actions);

// Sets the text of the File menu's recording item: "Stop recording" while `recording`.
void ShowRecordingItem(QMenuBar& bar, bool recording);

} // namespace va48
