#pragma once

#include "protocol/value_tables.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QToolButton;
class QWidget;

namespace va48 {

// A rectangle of a dialog template, given in dialog units, in pixels (see DialogUnitsX/Y).
QRect DialogRect(int x, int y, int width, int height);

// One creator per kind of grid control, so every grid in the program looks alike. Each makes a
// visible child of `parent` at `rect` (pixels in the parent), names it by its identifier (the
// object name is the identifier in decimal, so tests and automation find it) and returns it.
// No creator sets a font; the callers do.

QLabel* MakeStaticLabel(QWidget* parent, const QString& text, QRect rect, int id,
                        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

// "No.%d": the row heading of every 16-channel grid, centred.
QLabel* MakeChannelLabel(QWidget* parent, int channel, QRect rect, int id);

// Static text with a sunken edge, centred; for values.
QLabel* MakeValueBox(QWidget* parent, QRect rect, int id);

// Shows `text` in a value box. A screen reader reads the box's accessible name in place of its
// text, so the text goes to its accessible description as well.
void SetValueBoxText(QLabel* box, const QString& text);

// A read-only label that can raise part of its text (see WriteUnitLabel); placed 3 pixels below
// the given y, with the 3-D face colour as background.
QLabel* MakeUnitLabel(QWidget* parent, QRect rect, int id);

// A drop-down list; `rect`'s height is the closed control's height.
QComboBox* MakeDropDownList(QWidget* parent, QRect rect, int id);

// An edit field w - 15 wide with an up-down pair 15 wide beside it (at x + w - 16), not attached
// to the edit: the owner decides what up and down do. Both arrows carry `spinId` as their object
// name (the up arrow is found first); each repeats while held down.
struct SpinEdit {
    QLineEdit* edit = nullptr;
    QToolButton* up = nullptr;
    QToolButton* down = nullptr;
};
SpinEdit MakeSpinEdit(QWidget* parent, QRect rect, int editId, int spinId);

// The tab bar with "INPUT SETTING", "MEASURE SETTING", "USER FILTER" (strings 335..337).
QTabBar* MakeTabControl(QWidget* parent, QRect rect, int id);

QPushButton* MakePushButton(QWidget* parent, const QString& text, QRect rect, int id);
QLineEdit* MakeEditBox(QWidget* parent, QRect rect, int id);
QCheckBox* MakeCheckBox(QWidget* parent, QRect rect, int id);

// Where a window of `size` goes to be centred on the primary screen: ((screen width - width) / 2,
// (screen height - height) / 2) from the screen's top-left corner, both divisions truncating
// toward zero, so a window larger than the screen starts at negative coordinates.
QPoint CentredPosition(QSize size);

// Moves a window, keeping its size, to CentredPosition, raises and shows it. Null does nothing.
void CentreWindow(QWidget* window);

// Gives a window the program's icon. Null does nothing.
void SetWindowIcons(QWidget* window);

// Writes a unit label: the record's text, with the characters [superStart, superEnd) raised as
// a superscript, drawn at half the label font's pixel height in Arial (string 303), when the
// record asks for it. The rest keeps the label's own font. A range reaching past the text is cut
// at its end.
void WriteUnitLabel(QLabel* label, const UnitLabel& record);

// The rich text WriteUnitLabel puts into a label, for a text of `pixelHeight` pixels: the text
// HTML-escaped, the raised range in a span set to vertical-align:super. Qt draws such a span at
// two thirds of its font-size, so the span asks for the size that comes out at pixelHeight / 2.
// A record without superscript gives the escaped text alone.
QString UnitLabelHtml(const UnitLabel& record, int pixelHeight);

} // namespace va48
