#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace va48 {

// Every message box and every modal dialog of the program goes through here, so that a test can
// answer them instead of a person.

enum class BoxIcon { None, Error, Exclamation, Information, Question };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

struct BoxRequest {
    QWidget* owner = nullptr; // null: a box without owner
    QString caption;
    QString text;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
};

// Shows a box with the application title as caption; returns the button pressed.
BoxAnswer ShowMessageBox(QWidget* owner, const QString& text, BoxIcon icon,
                         BoxButtons buttons = BoxButtons::Ok);

// Runs a dialog modally; returns its result code.
int RunModal(QDialog& dialog);

using BoxAnswerer = std::function<BoxAnswer(const BoxRequest&)>;
using ModalRunner = std::function<int(QDialog&)>;

// Replace the real boxes and modal loops (an empty function restores them).
void SetBoxAnswerer(BoxAnswerer answerer);
void SetModalRunner(ModalRunner runner);

} // namespace va48
