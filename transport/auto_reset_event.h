#pragma once

#include <atomic>
#include <chrono>
#include <span>

namespace va48 {

// An auto-reset event: Set() makes it signalled; a wait that returns it also clears it, so each
// Set() is seen by one wait. All events of the process share one condition variable, which is
// what lets a thread wait on several at once; the flag itself is atomic, so looking at it costs
// no lock.
class AutoResetEvent {
  public:
    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Clears the event and returns true when it was signalled.
    bool TakeIfSet();

  private:
    std::atomic<bool> signalled_{false};
};

inline constexpr int kWaitTimeout = -1;

// Waits until one of `events` is signalled or `timeout` has passed. Returns the index of the
// first signalled event in list order (and clears that event only), or kWaitTimeout.
int WaitAny(std::span<AutoResetEvent* const> events, std::chrono::milliseconds timeout);

// Tests an event without waiting: true (and cleared) when it was signalled.
bool TryTake(AutoResetEvent& event);

// The four events of the program, created at start-up and alive for the whole run. The session's
// worker waits on them in this order, so a wait result 0..3 names the event.
struct SessionEvents {
    AutoResetEvent recv;       // set by the open channel after new bytes arrived
    AutoResetEvent commNotify; // set by the open channel after it stored an error code
    AutoResetEvent cancel;     // cancels the running job
    AutoResetEvent close;      // set by disconnect to end the worker
};

} // namespace va48
