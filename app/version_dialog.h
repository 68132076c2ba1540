#pragma once

#include "shell/version_info.h"

#include <QDialog>

namespace va48 {

// Dialog 201: the program's version information under its logo. When the comments are empty
// their line is hidden and the date, notice and OK button move up by the gap it leaves.
class VersionDialog : public QDialog {
  public:
    VersionDialog(const VersionInfo& info, QWidget* owner);
};

} // namespace va48
