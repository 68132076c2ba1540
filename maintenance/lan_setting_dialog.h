#pragma once

#include "protocol/device_state.h"
#include "protocol/link_settings.h"
#include "shell/settings_file.h"

#include <QDialog>

namespace va48 {

// Dialog 211: the amplifier's IP address, mask and gateway (1103, 1105, 1107; editable only when
// they were read from it) and the address the program connects to (1110). Ends with 1 when one
// of the amplifier's settings changed; a changed connect address is saved on its own.
class LanSettingDialog : public QDialog {
  public:
    LanSettingDialog(DeviceState& device, LinkSettings& link, SettingsFile& file, QWidget* owner);
};

} // namespace va48
