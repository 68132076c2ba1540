#pragma once

#include <QString>
#include <QStringList>

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

// The open-file dialog.
struct FileRequest {
    QWidget* owner = nullptr;
    QString title;
    QString start;           // the file or folder to open the dialog on; empty: the current folder
    QStringList nameFilters; // "MOT Files(*.mot)" style, the first one chosen
    QString defaultSuffix;   // added to a typed name without one
};

// Lets the user choose one existing file; returns its path, or an empty text when cancelled.
QString ChooseOpenFile(const FileRequest& request);

using FileChooser = std::function<QString(const FileRequest&)>;

// Replace the real file dialog (an empty function restores it).
void SetFileChooser(FileChooser chooser);

} // namespace va48
