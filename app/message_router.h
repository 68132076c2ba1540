#pragma once

#include "protocol/command_session.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>

namespace va48 {

// Carries the session's messages from its worker thread to the windows. Post() may be called
// from any thread; the message is looked up and delivered on the window thread, so a window that
// went away in between simply does not get it. Nor does a message posted before the last
// ForgetPostedMessages(): it reports on a link that is gone.
class MessageRouter : public QObject {
  public:
    using Resolver = std::function<QObject*(WindowHandle)>;

    explicit MessageRouter(Resolver resolve);

    void Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
              std::intptr_t lParam);

    // Delivers at once on the calling (window) thread.
    void Send(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
              std::intptr_t lParam);

    // Drops, at delivery, every message posted before this call. Call it once the session's
    // worker has stopped (it posts nothing after that), when its link is gone.
    void ForgetPostedMessages();

    // The two as the session's callbacks.
    MessageFn PostFn();
    MessageFn SendFn();

  protected:
    bool event(QEvent* event) override;

  private:
    Resolver resolve_;
    std::atomic<std::uint64_t> generation_{0}; // moved on by ForgetPostedMessages()
};

} // namespace va48
