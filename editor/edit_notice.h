#pragma once

namespace va48 {

// Tells the settings window that a page changed the edit setup (UM_SETTINGS_EDITED).
void ReportSettingsEdited();

} // namespace va48
