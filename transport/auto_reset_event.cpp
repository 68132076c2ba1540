#include "transport/auto_reset_event.h"

#include <condition_variable>
#include <mutex>

namespace va48 {

namespace {

std::mutex& EventLock() {
    static std::mutex lock;
    return lock;
}

std::condition_variable& EventSignal() {
    static std::condition_variable signal;
    return signal;
}

} // namespace

void AutoResetEvent::Set() {
    {
        const std::lock_guard lock(EventLock());
        signalled_ = true;
    }
    EventSignal().notify_all();
}

void AutoResetEvent::Reset() {
    const std::lock_guard lock(EventLock());
    signalled_ = false;
}

bool AutoResetEvent::IsSet() const {
    const std::lock_guard lock(EventLock());
    return signalled_;
}

int WaitAny(std::span<AutoResetEvent* const> events, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(EventLock());
    for (;;) {
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i]->signalled_) {
                events[i]->signalled_ = false;
                return static_cast<int>(i);
            }
        }
        if (EventSignal().wait_until(lock, deadline) == std::cv_status::timeout) {
            // One last look: a Set() may have landed just as the time ran out.
            for (std::size_t i = 0; i < events.size(); ++i) {
                if (events[i]->signalled_) {
                    events[i]->signalled_ = false;
                    return static_cast<int>(i);
                }
            }
            return kWaitTimeout;
        }
    }
}

bool TryTake(AutoResetEvent& event) {
    AutoResetEvent* const one[] = {&event};
    return WaitAny(one, std::chrono::milliseconds(0)) == 0;
}

} // namespace va48
