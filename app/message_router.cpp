#include "app/message_router.h"

#include "ui/window_message.h"

#include <QCoreApplication>

namespace va48 {

namespace {

class RoutedMessageEvent : public QEvent {
  public:
    RoutedMessageEvent(std::uint64_t generation, WindowHandle window, std::uint32_t message,
                       std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(Type()), generation(generation), window(window), message(message), wParam(wParam),
          lParam(lParam) {}

    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    const std::uint64_t generation;
    const WindowHandle window;
    const std::uint32_t message;
    const std::uintptr_t wParam;
    const std::intptr_t lParam;
};

} // namespace

MessageRouter::MessageRouter(Resolver resolve) : resolve_(std::move(resolve)) {}

void MessageRouter::Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    QCoreApplication::postEvent(
        this, new RoutedMessageEvent(generation_.load(), window, message, wParam, lParam));
}

void MessageRouter::ForgetPostedMessages() {
    ++generation_;
}

void MessageRouter::Send(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    SendWindowMessage(resolve_(window), message, wParam, lParam);
}

MessageFn MessageRouter::PostFn() {
    return [this](WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam) { Post(window, message, wParam, lParam); };
}

MessageFn MessageRouter::SendFn() {
    return [this](WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam) { Send(window, message, wParam, lParam); };
}

bool MessageRouter::event(QEvent* event) {
    if (event->type() != RoutedMessageEvent::Type()) {
        return QObject::event(event);
    }
    const auto* routed = static_cast<RoutedMessageEvent*>(event);
    if (routed->generation != generation_.load()) {
        return true;
    }
    SendWindowMessage(resolve_(routed->window), routed->message, routed->wParam, routed->lParam);
    return true;
}

} // namespace va48
