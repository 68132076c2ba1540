#include "ui/dialog_seam.h"

#include "ui/ui_text.h"

#include <QDialog>
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

} // namespace va48
