#include "editor/edit_notice.h"

#include "app/app_context.h"
#include "editor/settings_window.h"
#include "ui/messages.h"
#include "ui/window_message.h"

namespace va48 {

void ReportSettingsEdited() {
    SendWindowMessage(App().windows.settingsWindow.data(), UM_SETTINGS_EDITED);
}

} // namespace va48
