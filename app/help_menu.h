#pragma once

class QMenuBar;
class QWidget;

namespace va48 {

// The menu bar of the connection menu and the settings window: "&Help" with the single item
// "&Version..." (command 152, the action's object name), which runs the version dialog modally
// with `window` as owner.
QMenuBar* MakeHelpMenuBar(QWidget* window);

} // namespace va48
