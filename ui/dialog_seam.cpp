#include "ui/dialog_seam.h"

#include "ui/ui_text.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

#include <utility>
#include <vector>

namespace va48 {

namespace {

BoxAnswerer& Answerer() {
    static BoxAnswerer answerer;
    return answerer;
}

ModalRunner& Runner() {
    static ModalRunner runner;
    return runner;
}

// A box or dialog whose loop runs, and how to end it.
struct OpenModal {
    QPointer<QDialog> dialog; // null for a box an answerer handles
    int closeResult = QDialog::Rejected;
    bool closeRequested = false;
};

std::vector<OpenModal>& OpenModals() {
    static std::vector<OpenModal> open;
    return open;
}

std::vector<std::function<void()>>& AfterModalLoops() {
    static std::vector<std::function<void()>> actions;
    return actions;
}

// Queued rather than run here: the caller of the last box has yet to go on with its windows.
void PostAfterModalLoops() {
    for (std::function<void()>& action : std::exchange(AfterModalLoops(), {})) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(action),
                                  Qt::QueuedConnection);
    }
}

// Keeps a box or dialog on the list of open ones while its loop runs.
class ModalScope {
  public:
    explicit ModalScope(QDialog* dialog = nullptr, int closeResult = QDialog::Rejected) {
        OpenModals().push_back({dialog, closeResult, false});
    }
    ~ModalScope() {
        OpenModals().pop_back();
        if (OpenModals().empty()) {
            PostAfterModalLoops();
        }
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

QMessageBox::Icon ToQt(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Error:
        return QMessageBox::Critical;
    case BoxIcon::Exclamation:
        return QMessageBox::Warning;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

BoxAnswer ShowMessageBox(QWidget* owner, const QString& text, BoxIcon icon, BoxButtons buttons) {
    const BoxRequest request{owner, UiText(TextId::AppTitle), text, icon, buttons};
    if (Answerer()) {
        const ModalScope open;
        return Answerer()(request);
    }
    const bool question = buttons == BoxButtons::YesNo;
    QMessageBox box(ToQt(icon), request.caption, text,
                    question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
    const ModalScope open(&box, question ? QMessageBox::No : QMessageBox::Ok);
    const int pressed = box.exec();
    if (question) {
        return pressed == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
    return BoxAnswer::Ok;
}

int RunModal(QDialog& dialog) {
    const ModalScope open(&dialog);
    return Runner() ? Runner()(dialog) : dialog.exec();
}

void SetBoxAnswerer(BoxAnswerer answerer) {
    Answerer() = std::move(answerer);
}

void SetModalRunner(ModalRunner runner) {
    Runner() = std::move(runner);
}

bool ModalLoopRunning() {
    return !OpenModals().empty();
}

void CloseModalLoopsThen(std::function<void()> next) {
    AfterModalLoops().push_back(std::move(next));
    std::vector<OpenModal>& open = OpenModals();
    if (open.empty()) {
        PostAfterModalLoops();
        return;
    }
    for (auto modal = open.rbegin(); modal != open.rend(); ++modal) {
        modal->closeRequested = true;
        if (modal->dialog) {
            modal->dialog->done(modal->closeResult);
        }
    }
}

bool ModalCloseRequested() {
    return !OpenModals().empty() && OpenModals().back().closeRequested;
}

namespace {

FileAnswerer& FileDialogAnswerer() {
    static FileAnswerer answerer;
    return answerer;
}

} // namespace

QString AskForFile(const FileRequest& request) {
    if (FileDialogAnswerer()) {
        const ModalScope open;
        return FileDialogAnswerer()(request);
    }
    QFileDialog dialog(request.owner, request.caption);
    const bool save = request.access == FileAccess::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.start.isEmpty()) {
        const QFileInfo start(request.start);
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else {
            if (start.dir().exists()) {
                dialog.setDirectory(start.absolutePath());
            }
            dialog.selectFile(start.fileName());
        }
    }
    const ModalScope open(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void SetFileAnswerer(FileAnswerer answerer) {
    FileDialogAnswerer() = std::move(answerer);
}

} // namespace va48
