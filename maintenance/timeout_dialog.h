#pragma once

#include "protocol/link_settings.h"
#include "shell/settings_file.h"

#include <QDialog>

namespace va48 {

// Dialog 146: the reply time-out in seconds (field 1035, 5..120). OK stores it in the link
// settings and the settings file and ends with 1.
class TimeoutDialog : public QDialog {
  public:
    TimeoutDialog(LinkSettings& link, SettingsFile& file, QWidget* owner);
};

} // namespace va48
