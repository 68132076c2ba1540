#include "ui/dialog_support.h"

#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/typed_character.h"
#include "ui/ui_text.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace va48 {

namespace {

class TypedCharacterHook : public QObject {
  public:
    TypedCharacterHook(QObject* parent, std::function<void(char16_t, bool)> handle)
        : QObject(parent), handle_(std::move(handle)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return QObject::eventFilter(watched, event);
        }
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const auto code = CharacterCode(key);
        if (!code) {
            return false;
        }
        handle_(*code, key.modifiers().testFlag(Qt::ControlModifier));
        return true;
    }

  private:
    std::function<void(char16_t, bool)> handle_;
};

class CentreHook : public QObject {
  public:
    explicit CentreHook(QWidget& window) : QObject(&window), window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A spontaneous show is the window system restoring the window; the user may have moved it.
        if (watched == &window_ && event->type() == QEvent::Show && !event->spontaneous()) {
            CentreWindow(&window_);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QWidget& window_;
};

} // namespace

void RouteTypedCharacters(QLineEdit& edit, std::function<void(char16_t, bool)> handle) {
    edit.setAttribute(Qt::WA_InputMethodEnabled, false);
    edit.installEventFilter(new TypedCharacterHook(&edit, std::move(handle)));
}

QPushButton* MakeDialogButton(QWidget* parent, const QString& text, int id) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setMinimumWidth(DialogUnitsX(50));
    return button;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons) {
        row->addWidget(button);
    }
    return row;
}

void CentreWhenShown(QWidget& window) {
    window.installEventFilter(new CentreHook(window));
}

void ShowSettingNotSaved(QWidget* owner, const std::filesystem::path& file,
                         const std::error_code& why) {
    const char* text = UiLanguage() == Language::Japanese
                           ? "設定を保存できませんでした。\n%1\n%2"
                           : "The setting could not be saved.\n%1\n%2";
    ShowMessageBox(owner,
                   QString::fromUtf8(text).arg(QString::fromStdString(file.string()),
                                               QString::fromLocal8Bit(why.message())),
                   BoxIcon::Error);
}

} // namespace va48
