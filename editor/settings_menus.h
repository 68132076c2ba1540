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
};

// Adds "File" (Save setup..., Load setup..., Export report...) and "Device" (Version, Reset,
// Reboot, HPF coefficients..., LPF coefficients..., Firmware update..., each showing its Ctrl
// shortcut) to `bar`. The shortcuts are shown, not bound: the keys keep reaching the window as
// typed characters, as they always have.
void AddSettingsMenus(QMenuBar& bar, QWidget& window, const SettingsMenuActions& actions);

} // namespace va48
