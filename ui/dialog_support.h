#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <system_error>

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace va48 {

// Small pieces the tool dialogs share.

// Hands each character typed into `edit` to `handle` instead of letting the edit insert it: the
// code as CharacterCode gives it (Backspace 8, Ctrl+letter 1..26, else the character) and whether
// Ctrl was down. Keys that type no character (arrows, Delete, Tab, Enter, Escape) keep their usual
// meaning. Input methods are switched off on the edit, so composed text cannot go around the
// handler. The hook lives as long as the edit.
void RouteTypedCharacters(QLineEdit& edit, std::function<void(char16_t code, bool control)> handle);

// A push button named by its identifier, as wide as the tool dialogs' buttons at least.
QPushButton* MakeDialogButton(QWidget* parent, const QString& text, int id);

// The buttons in a row at the right.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);

// Centres `window` on the desktop each time the program shows it, once its size is final.
void CentreWhenShown(QWidget& window);

// Tells the person, in a box with the error icon over `owner`, that a setting could not be saved
// in `file`, and why.
void ShowSettingNotSaved(QWidget* owner, const std::filesystem::path& file,
                         const std::error_code& why);

} // namespace va48
