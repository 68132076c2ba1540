#pragma once

class QMenuBar;
class QWidget;

namespace va48 {

struct VersionInfo;

// The Help menu of the connection menu and the settings window: "&Help" with the single item
// "&Version..." (command 152, the action's object name), which runs the version dialog modally
// with `window` as owner. `version` must outlive the window.
void AddHelpMenu(QMenuBar& bar, QWidget& window, const VersionInfo& version);

} // namespace va48
