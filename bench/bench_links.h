#pragma once

#include "protocol/request_builders.h"
#include "tests/support/session_rig.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

namespace va48 {

// What the benchmarks share: the session rig connected to va48sim, and the bare round trip beside
// it.

// The session rig connected to `sim`, logging unless VA48BENCH_NOLOG is set; null when the
// simulator did not start or the connection failed.
inline std::unique_ptr<SessionRig> ConnectRig(LinkKind kind, const SimProcess& sim) {
    auto rig = std::make_unique<SessionRig>(std::getenv("VA48BENCH_NOLOG") ? "" : "va48bench");
    return sim.Started() && rig->Connect(kind, sim) ? std::move(rig) : nullptr;
}

// Runs `job`; true when it ended with its done message within fifteen seconds.
inline bool RunDone(SessionRig& rig, const CommandJob& job) {
    const auto message = rig.RunFor(job);
    return message && message->message == SessionRig::kDone;
}

inline std::vector<std::uint8_t> TestFrame() {
    std::vector<std::uint8_t> frame(kMaxFrameSize);
    frame.resize(static_cast<std::size_t>(BuildRequestFrame(kTestText, frame)));
    return frame;
}

// Sends a frame and reads until the reply's CR LF: one bare round trip.
inline bool PingPong(int fd, const std::vector<std::uint8_t>& frame) {
    if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
        return false;
    }
    std::array<std::uint8_t, 2048> reply{};
    std::size_t length = 0;
    while (length < 7 || reply[length - 2] != kCr || reply[length - 1] != kLf) {
        const ssize_t got = ::read(fd, reply.data() + length, reply.size() - length);
        if (got <= 0) {
            return false;
        }
        length += static_cast<std::size_t>(got);
    }
    return true;
}

// A TCP connection to the simulator with Nagle off; -1 when it cannot be made.
inline int ConnectBare(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace va48
