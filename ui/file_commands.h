#pragma once

#include "resources/text_id.h"
#include "ui/dialog_seam.h"

#include <QString>

#include <string_view>

class QWidget;

namespace va48 {

// What the windows' file commands share.

// A menu item's or button's text as the caption of the file dialog it opens: without its
// mnemonic marker and its trailing dots ("&Save setup..." -> "Save setup").
QString FileDialogCaption(TextId text);

// Shows `text` (a message with "%s") about the file at `path`, "%s" becoming "path: reason".
void ShowFileFailure(QWidget* owner, TextId text, const QString& path, const QString& reason,
                     BoxIcon icon);

// Writes `text` as the whole of the file at `path`, replacing it only once everything is written
// (a failed write leaves the old file). False, with `error` set to the reason, when it fails.
bool WriteWholeFile(const QString& path, std::string_view text, QString& error);

} // namespace va48
