#include "transport/auto_reset_event.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

using std::chrono::milliseconds;

TEST(AutoResetEvent, AWaitTakesTheFirstSignalledEventInListOrderAndClearsOnlyIt) {
    SessionEvents events;
    AutoResetEvent* const all[] = {&events.recv, &events.commNotify, &events.cancel, &events.close};
    events.close.Set();
    events.commNotify.Set();
    EXPECT_EQ(WaitAny(all, milliseconds(0)), 1);
    EXPECT_EQ(WaitAny(all, milliseconds(0)), 3);
    EXPECT_EQ(WaitAny(all, milliseconds(1)), kWaitTimeout);
}

TEST(AutoResetEvent, SetBeforeTheWaitIsNotLostAndResetClears) {
    AutoResetEvent event;
    event.Set();
    event.Set(); // two sets before a wait count once
    EXPECT_TRUE(TryTake(event));
    EXPECT_FALSE(TryTake(event));
    event.Set();
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

} // namespace
} // namespace va48
