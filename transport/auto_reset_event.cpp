#include "transport/auto_reset_event.h"

#include <condition_variable>
#include <mutex>
#include <thread>

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

// A reply usually follows its request within tens of microseconds; looking again for that long
// before sleeping saves the waiter a wake-up that costs about as much as the reply itself.
constexpr auto kSpinBeforeSleep = std::chrono::microseconds(60);

int TakeFirst(std::span<AutoResetEvent* const> events) {
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i]->TakeIfSet()) {
            return static_cast<int>(i);
        }
    }
    return kWaitTimeout;
}

} // namespace

void AutoResetEvent::Set() {
    signalled_.store(true, std::memory_order_release);
    // Taking the lock orders this Set against a waiter that checked the flag and is about to
    // sleep, so the notification cannot be lost.
    { const std::lock_guard lock(EventLock()); }
    EventSignal().notify_all();
}

void AutoResetEvent::Reset() {
    signalled_.store(false, std::memory_order_release);
}

bool AutoResetEvent::IsSet() const {
    return signalled_.load(std::memory_order_acquire);
}

bool AutoResetEvent::TakeIfSet() {
    return signalled_.load(std::memory_order_relaxed) &&
           signalled_.exchange(false, std::memory_order_acq_rel);
}

int WaitAny(std::span<AutoResetEvent* const> events, std::chrono::milliseconds timeout) {
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + timeout;
    const auto spinUntil = std::min(deadline, start + kSpinBeforeSleep);
    for (;;) {
        if (const int taken = TakeFirst(events); taken != kWaitTimeout) {
            return taken;
        }
        if (std::chrono::steady_clock::now() >= spinUntil) {
            break;
        }
        std::this_thread::yield();
    }
    std::unique_lock lock(EventLock());
    for (;;) {
        if (const int taken = TakeFirst(events); taken != kWaitTimeout) {
            return taken;
        }
        if (EventSignal().wait_until(lock, deadline) == std::cv_status::timeout) {
            // One last look: a Set() may have landed just as the time ran out.
            return TakeFirst(events);
        }
    }
}

bool TryTake(AutoResetEvent& event) {
    return event.TakeIfSet();
}

} // namespace va48
