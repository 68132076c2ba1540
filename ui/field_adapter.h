#pragma once

#include "ui/value_entry.h"

#include <QLineEdit>

namespace va48 {

// The value-entry routines on a Qt line edit: read the field's text and selection into a
// FieldText, and write a FieldText back (text and caret).
FieldText ReadField(const QLineEdit& edit);
void WriteField(QLineEdit& edit, const FieldText& field);

// Feeds one typed character through DecimalKeyFilter / HexKeyFilter into the edit.
void DecimalKey(QLineEdit& edit, char16_t key, std::uint16_t maxDigits, bool negativeAllowed);
void HexKey(QLineEdit& edit, char16_t key, std::uint16_t maxLength);

} // namespace va48
