#include "app/character_router.h"

#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "maintenance/reply_time_dialog.h"
#include "ui/messages.h"
#include "ui/typed_character.h"
#include "ui/window_message.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

namespace va48 {

CharacterRouter::CharacterRouter(const AppWindows& windows) : windows_(windows) {}

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
    // The firmware update dialog has no typed commands; its path field takes its keys itself,
    // which must not land in the settings window hidden behind it.
    const QWidget* typedIn = static_cast<QWidget*>(watched)->window();
    if (windows_.updateDialog && typedIn == windows_.updateDialog.data()) {
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
