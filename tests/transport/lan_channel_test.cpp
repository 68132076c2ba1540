#include "transport/lan_channel.h"

#include "sim/frame_codec.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/next_frame.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace va48 {
namespace {

using std::chrono::milliseconds;

LanSettings Settings(std::uint16_t port, std::string address = "127.0.0.1") {
    LanSettings settings;
    settings.address = std::move(address);
    settings.port = port;
    return settings;
}

class LanChannelTest : public ::testing::Test {
  protected:
    int Wait(milliseconds timeout = milliseconds(5000)) {
        AutoResetEvent* const all[] = {&events.recv, &events.commNotify};
        return WaitAny(all, timeout);
    }
    SessionEvents events;
    LoopbackListener listener; // takes connections, serves none
};

TEST_F(LanChannelTest, RefusesBadSettingsBeforeConnecting) {
    for (const std::string address : {"", "192.168.1", "256.1.1.1", "a.b.c.d", "255.255.255.255",
                                      "127.0.0.1 ", "127.000.000.001.5"}) {
        EXPECT_EQ(LanOpen(Settings(listener.Port(), address), nullptr, nullptr), kNoConnection)
            << address;
    }
    EXPECT_EQ(LanOpen(Settings(0), nullptr, nullptr), kNoConnection);
    // A NUL must not end the text early: this is no address.
    EXPECT_EQ(LanOpen(Settings(listener.Port(), std::string("127.0.0.1\0x", 11)), nullptr, nullptr),
              kNoConnection);
}

TEST_F(LanChannelTest, FramesTravelBothWays) {
    SimProcess sim({"--stray-bytes", "xx", "--log"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    const ConnectionHandle handle = LanOpen(Settings(sim.Port()), &events.recv, &events.commNotify);
    ASSERT_NE(handle, kNoConnection);
    EXPECT_NE(handle, 0);
    const std::string request = va48sim::EncodeRequest("VER?");
    EXPECT_EQ(LanSend(handle, std::vector<std::uint8_t>(request.begin(), request.end())), 11);
    EXPECT_EQ(NextFrame(LanReceiveFrame, handle, events.recv), va48sim::EncodeAck("1.02"));
    EXPECT_EQ(sim.ReceivedRequests(), std::vector<std::string>{"VER?"});
    EXPECT_EQ(LanLastError(handle), 0);
    EXPECT_TRUE(LanClose(handle));
}

TEST_F(LanChannelTest, PeerClosingReportsCode201Once) {
    SimProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    const ConnectionHandle handle = LanOpen(Settings(sim.Port()), &events.recv, &events.commNotify);
    ASSERT_NE(handle, kNoConnection);
    sim.Stop();
    ASSERT_EQ(Wait(), 1);
    EXPECT_EQ(LanLastError(handle), kLanPeerClosed);
    // The thread has ended: no further report comes, and the link takes nothing more.
    EXPECT_EQ(Wait(milliseconds(300)), kWaitTimeout);
    EXPECT_EQ(LanLinkFault(handle), kLanPeerClosed);
    EXPECT_EQ(LanSend(handle, std::vector<std::uint8_t>{0x02, 'X', 0x0D, 0x0A}), 0);
    EXPECT_TRUE(LanClose(handle));
}

TEST_F(LanChannelTest, ALocalCloseReportsNothing) {
    // The close wakes the receive thread through the socket; that must not look like the peer
    // closing. Several rounds, as the thread may be anywhere in its loop.
    SimProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    for (int round = 0; round < 20; ++round) {
        const ConnectionHandle handle =
            LanOpen(Settings(sim.Port()), &events.recv, &events.commNotify);
        ASSERT_NE(handle, kNoConnection);
        EXPECT_EQ(LanLinkFault(handle), 0);
        std::this_thread::sleep_for(milliseconds(round % 3));
        EXPECT_TRUE(LanClose(handle));
        ASSERT_FALSE(events.commNotify.IsSet()) << round;
    }
}

TEST_F(LanChannelTest, UnknownHandlesAndEmptySends) {
    const std::uint8_t stx[] = {0x02};
    std::vector<std::uint8_t> out(16);
    for (ConnectionHandle unknown : {kNoConnection, 0, 12345}) {
        EXPECT_EQ(LanReceiveFrame(unknown, stx, stx, out, 1), -1);
        EXPECT_EQ(LanSend(unknown, out), -1);
        EXPECT_EQ(LanLastError(unknown), 0);
        EXPECT_FALSE(LanClose(unknown));
    }
    const ConnectionHandle handle = LanOpen(Settings(listener.Port()), nullptr, nullptr);
    ASSERT_NE(handle, kNoConnection);
    EXPECT_EQ(LanSend(handle, std::span<const std::uint8_t>()), 0);
    EXPECT_TRUE(LanClose(handle));
    EXPECT_FALSE(LanClose(handle));
}

TEST_F(LanChannelTest, ANinthConnectionFindsNoRecord) {
    std::vector<ConnectionHandle> open;
    for (int i = 0; i < kLanConnectionCount; ++i) {
        open.push_back(LanOpen(Settings(listener.Port()), nullptr, nullptr));
        ASSERT_NE(open.back(), kNoConnection);
    }
    EXPECT_EQ(LanOpen(Settings(listener.Port()), nullptr, nullptr), kNoConnection);
    for (ConnectionHandle handle : open) {
        EXPECT_TRUE(LanClose(handle));
    }
    const ConnectionHandle again = LanOpen(Settings(listener.Port()), nullptr, nullptr);
    EXPECT_NE(again, kNoConnection);
    LanClose(again);
}

// A zero field must not reach the waits: no retry, no check or a zero wait would give up at once on
// a peer that is merely slower than loopback.
TEST(LanTiming, ZeroFieldsAreReplacedAndOthersKept) {
    const LanTiming t = NormalizedTiming({});
    for (const std::int32_t field :
         {t.connectRetries, t.connectWaitChecks, t.connectWaitMicroseconds, t.receiveWaitChecks,
          t.receiveWaitMicroseconds}) {
        EXPECT_GT(field, 0);
    }
    LanTiming custom;
    custom.connectRetries = -1;
    EXPECT_EQ(NormalizedTiming(custom).connectRetries, -1);
}

} // namespace
} // namespace va48
