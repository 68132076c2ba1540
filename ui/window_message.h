#pragma once

#include <QEvent>
#include <QObject>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace va48 {

// A private window message as a Qt event: the message number and its two parameters.
class WindowMessageEvent : public QEvent {
  public:
    WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(Type()), message_(message), wParam_(wParam), lParam_(lParam) {}

    static QEvent::Type Type();

    std::uint32_t Message() const { return message_; }
    std::uintptr_t WParam() const { return wParam_; }
    std::intptr_t LParam() const { return lParam_; }

  private:
    std::uint32_t message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
};

// Queues a message for `target`; safe from any thread. A null target drops the message.
void PostWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);

// Delivers a message to `target` at once, on the calling (window) thread. Returns whether the
// target handled it; a null target handles nothing.
bool SendWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);

// One row of a window's message table: a message and the typed method it calls.
template <typename Window>
struct MessageRoute {
    std::uint32_t message;
    void (*handle)(Window& window, const WindowMessageEvent& message);
};

// The one place a window message becomes a method call: when `event` is a window message that
// `routes` names, runs its route and answers true. Anything else answers false, and the window
// hands it to its base class.
template <typename Window, std::size_t N>
bool RouteWindowMessage(QEvent* event, Window& window,
                        const std::array<MessageRoute<Window>, N>& routes) {
    if (event->type() != WindowMessageEvent::Type()) {
        return false;
    }
    const auto& message = static_cast<const WindowMessageEvent&>(*event);
    for (const MessageRoute<Window>& route : routes) {
        if (route.message == message.Message()) {
            route.handle(window, message);
            return true;
        }
    }
    return false;
}

// A typed character's code from WM_CHAR_MESSAGE. The message loop hands on UTF-16 units; anything
// wider is no typed character (nullopt).
inline std::optional<char16_t> TypedCode(const WindowMessageEvent& message) {
    if (message.WParam() > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<char16_t>(message.WParam());
}

inline bool TypedWithControl(const WindowMessageEvent& message) {
    return message.LParam() != 0;
}

} // namespace va48
