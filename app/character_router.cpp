#include "app/character_router.h"

#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "maintenance/reply_time_dialog.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

namespace va48 {

CharacterRouter::CharacterRouter(const AppWindows& windows) : windows_(windows) {}

std::optional<char16_t> CharacterCode(const QKeyEvent& key) {
    const bool control = key.modifiers().testFlag(Qt::ControlModifier);
    if (control && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z) {
        return static_cast<char16_t>(key.key() - Qt::Key_A + 1);
    }
    if (key.key() == Qt::Key_Backspace) {
        return u'\b';
    }
    const QString text = key.text();
    if (control || text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) {
        return std::nullopt;
    }
    return text.at(0).unicode();
}

QObject* CharacterRouter::Target() const {
    for (QObject* window : {static_cast<QObject*>(windows_.hpfDialog.data()),
                            static_cast<QObject*>(windows_.lpfDialog.data()),
                            static_cast<QObject*>(windows_.settingsWindow.data()),
                            static_cast<QObject*>(windows_.replyTimeDialog.data()),
                            static_cast<QObject*>(windows_.connectionMenu.data())}) {
        if (window) {
            return window;
        }
    }
    return nullptr;
}

bool CharacterRouter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
        QApplication::activeModalWidget()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    // Space presses a focused button; that is the button's key, not a character to route.
    if (key->key() == Qt::Key_Space && qobject_cast<QAbstractButton*>(watched)) {
        return false;
    }
    const auto code = CharacterCode(*key);
    QObject* target = Target();
    if (!code || !target) {
        return false;
    }
    const bool control = key->modifiers().testFlag(Qt::ControlModifier);
    SendWindowMessage(target, WM_CHAR_MESSAGE, *code, control ? 1 : 0);
    return true;
}

} // namespace va48
