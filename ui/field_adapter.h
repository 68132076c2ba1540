#pragma once

#include "ui/value_entry.h"

#include <QFocusEvent>
#include <QLineEdit>

namespace va48 {

// The value-entry routines on a Qt line edit: read the field's text and selection into a
// FieldText, and write a FieldText back (text and caret).
FieldText ReadField(const QLineEdit& edit);
void WriteField(QLineEdit& edit, const FieldText& field);

// Feeds one typed character through DecimalKeyFilter / HexKeyFilter into the edit.
void DecimalKey(QLineEdit& edit, char16_t key, std::uint16_t maxDigits, bool negativeAllowed);
void HexKey(QLineEdit& edit, char16_t key, std::uint16_t maxLength);

// Whether a focus-out means the user left the field, so its text is to be committed. Focus that
// goes with the window (another window or a message box comes up, a menu or a list pops up)
// comes back to the field: the user has not left it.
bool LeavesTheField(const QFocusEvent& focus);

} // namespace va48
