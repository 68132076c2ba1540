#include "app/dialog_seam.h"

#include "app/ui_text.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

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
    const BoxRequest request{owner, UiText(301), text, icon, buttons};
    if (Answerer()) {
        return Answerer()(request);
    }
    QMessageBox box(ToQt(icon), request.caption, text,
                    buttons == BoxButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No)
                                                 : QMessageBox::Ok,
                    owner);
    const int pressed = box.exec();
    if (buttons == BoxButtons::YesNo) {
        return pressed == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
    return BoxAnswer::Ok;
}

int RunModal(QDialog& dialog) {
    return Runner() ? Runner()(dialog) : dialog.exec();
}

void SetBoxAnswerer(BoxAnswerer answerer) {
    Answerer() = std::move(answerer);
}

void SetModalRunner(ModalRunner runner) {
    Runner() = std::move(runner);
}

namespace {

FileAnswerer& FileDialogAnswerer() {
    static FileAnswerer answerer;
    return answerer;
}

} // namespace

QString AskForFile(const FileRequest& request) {
    if (FileDialogAnswerer()) {
        return FileDialogAnswerer()(request);
    }
    QFileDialog dialog(request.owner, request.caption, QString(), request.filter);
    const bool save = request.access == FileAccess::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.suffix);
    if (save) {
        dialog.selectFile(request.suggestedName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void SetFileAnswerer(FileAnswerer answerer) {
    FileDialogAnswerer() = std::move(answerer);
}

} // namespace va48
