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

// A box or dialog runs its own event loop, and the window that owns it must outlive that loop:
// deleting it there would pull the box from under the code that is waiting for its answer. Code
// that is about to destroy windows asks here first.

// True while a box or a dialog shown through ShowMessageBox or RunModal has not returned yet,
// whoever answers it (a person, an answerer or a runner).
bool ModalLoopRunning();

// Asks every open box and modal dialog to end, innermost first: a question answers No, any other
// box OK, a dialog is rejected. Nothing is destroyed here; each returns to its caller as if the
// person had answered so. `next` then runs on the window thread once the last of them has
// returned and its caller has gone on, from a later turn of the event loop (the next turn when
// none is open).
void CloseModalLoopsThen(std::function<void()> next);

// True when the innermost open box or dialog has been asked to end. An answerer or runner that
// keeps its box open for a while (a test standing in for a person) ends it when this turns true.
bool ModalCloseRequested();

// File dialogs: which file to open, or which to save into.
enum class FileAccess { Open, Save };

struct FileRequest {
    QWidget* owner = nullptr;
    FileAccess access = FileAccess::Open;
    QString caption;
    QStringList nameFilters; // "CSV files (*.csv)" style; the first one is chosen
    QString start;           // Open: the file or folder to begin in; Save: the name offered
    QString defaultSuffix;   // added to a typed name without one, e.g. "csv"
};

// Asks the user for a file; returns its path, or an empty text when the user cancelled. Counts as
// an open modal loop (see ModalLoopRunning) while it is up.
QString AskForFile(const FileRequest& request);

using FileAnswerer = std::function<QString(const FileRequest&)>;

// Replaces the real file dialogs (an empty function restores them).
void SetFileAnswerer(FileAnswerer answerer);

} // namespace va48
