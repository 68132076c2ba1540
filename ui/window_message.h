#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

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

} // namespace va48
