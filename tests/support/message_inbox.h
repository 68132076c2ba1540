#pragma once

#include "protocol/command_session.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace va48 {

// Collects the messages a session posts, in order, for a test or benchmark to wait on.
struct Message {
    WindowHandle window = 0;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class MessageInbox {
  public:
    MessageFn Deliver() {
        return [this](WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) {
            {
                const std::lock_guard lock(mutex_);
                queue_.push_back({window, message, wParam, lParam});
            }
            arrived_.notify_all();
        };
    }

    // The next message, or nullopt when none arrives within `timeout`.
    std::optional<Message> Wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, timeout, [this] { return !queue_.empty(); })) {
            return std::nullopt;
        }
        const Message message = queue_.front();
        queue_.pop_front();
        return message;
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Message> queue_;
};

} // namespace va48
