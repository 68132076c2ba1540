#include "ui/window_message.h"

#include <QCoreApplication>

namespace va48 {

QEvent::Type WindowMessageEvent::Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    if (target) {
        QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
    }
}

bool SendWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    if (!target) {
        return false;
    }
    WindowMessageEvent event(message, wParam, lParam);
    return QCoreApplication::sendEvent(target, &event);
}

} // namespace va48
