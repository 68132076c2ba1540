#include "ui/field_adapter.h"

#include <algorithm>

namespace va48 {

namespace {

// The filters count positions in bytes and the line edit in UTF-16 units; one byte per unit keeps
// the two in step. Numeric fields hold ASCII, so only a pasted character outside Latin-1 is lost
// in the copy: it reads as '?', which no filter accepts or produces.
std::string ToFieldBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

} // namespace

FieldText ReadField(const QLineEdit& edit) {
    FieldText field;
    field.text = ToFieldBytes(edit.text());
    if (edit.hasSelectedText()) {
        field.selectionStart = edit.selectionStart();
        field.selectionEnd = edit.selectionEnd();
    } else {
        field.selectionStart = edit.cursorPosition();
        field.selectionEnd = field.selectionStart;
    }
    return field;
}

void WriteField(QLineEdit& edit, const FieldText& field) {
    // A text the filter left as it was is not written back, so a character the byte copy could
    // not carry survives a refused key.
    if (ToFieldBytes(edit.text()) != field.text) {
        edit.setText(QString::fromLatin1(field.text.data(), std::ssize(field.text)));
    }
    const int length = static_cast<int>(edit.text().size());
    const int start = std::clamp(std::min(field.selectionStart, field.selectionEnd), 0, length);
    const int end = std::clamp(std::max(field.selectionStart, field.selectionEnd), 0, length);
    if (start == end) {
        edit.setCursorPosition(start);
    } else {
        edit.setSelection(start, end - start);
    }
}

void DecimalKey(QLineEdit& edit, char16_t key, std::uint16_t maxDigits, bool negativeAllowed) {
    FieldText field = ReadField(edit);
    DecimalKeyFilter(field, key, maxDigits, negativeAllowed);
    WriteField(edit, field);
}

void HexKey(QLineEdit& edit, char16_t key, std::uint16_t maxLength) {
    FieldText field = ReadField(edit);
    HexKeyFilter(field, key, maxLength);
    WriteField(edit, field);
}

bool LeavesTheField(const QFocusEvent& focus) {
    switch (focus.reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    default:
        return true;
    }
}

} // namespace va48
