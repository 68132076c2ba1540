// The simulator's pseudo-terminal link, which exists on POSIX systems only.

#include "sim/frame_codec.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace va48 {
namespace {

using namespace std::chrono_literals;

TEST(SimEndToEnd, ServesAPseudoTerminal) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    EXPECT_EQ(sim.Port(), 0);
    const int fd = open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << sim.PtyPath();
    termios raw{};
    ASSERT_EQ(tcgetattr(fd, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &raw), 0);

    const std::string frame = va48sim::EncodeRequest("VER?");
    ASSERT_EQ(write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    const std::string expected = va48sim::EncodeAck("1.02");
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (reply.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        char buffer[256];
        if (poll(&p, 1, 100) > 0) {
            const ssize_t count = read(fd, buffer, sizeof buffer);
            if (count <= 0) {
                break;
            }
            reply.append(buffer, static_cast<std::size_t>(count));
        }
    }
    close(fd);
    EXPECT_EQ(reply, expected);
}

} // namespace
} // namespace va48
