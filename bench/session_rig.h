#pragma once

#include "protocol/command_session.h"
#include "protocol/request_builders.h"
#include "tests/support/fake_usb_tree.h"
#include "tests/support/message_inbox.h"
#include "tests/support/sim_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace va48 {

// What the benchmarks share: a session connected to va48sim, and the bare round trip beside it.

inline constexpr std::uint32_t kConnected = 1;
inline constexpr std::uint32_t kDone = 2;
inline constexpr std::uint32_t kFailed = 3;

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

// A session connected to a sim, with everything it refers to.
class SessionRig {
  public:
    explicit SessionRig(LinkKind kind, const SimProcess& sim)
        : logPath_(std::filesystem::temp_directory_path() /
                   ("va48bench_" + std::to_string(::getpid()) + ".log")),
          log_(std::getenv("VA48BENCH_NOLOG") ? std::filesystem::path() : logPath_) {
        settings_.lanAddress = {127, 0, 0, 1};
        settings_.lanPort = sim.Port();
        settings_.baudRate = 115200;
        settings_.byteSize = 8;
        settings_.hardwareId = "USB\\VID_7C4E&PID_0008";
        settings_.replyTimeoutMs = 5000;
        UsbSearchRoots roots;
        if (kind == LinkKind::Usb) {
            usb_ = std::make_unique<FakeUsbTree>(sim.PtyPath());
            roots = {usb_->SysfsRoot(), usb_->DevRoot()};
        }
        session_ = std::make_unique<CommandSession>(SessionContext{
            device_, settings_, events_, log_, inbox_.Deliver(), inbox_.Deliver(), 0, roots});
        connected_ = session_->Connect(kind, kConnected) == ResultCode::Success &&
                     inbox_.Wait(std::chrono::milliseconds(0));
    }
    ~SessionRig() {
        session_.reset();
        std::filesystem::remove(logPath_);
        std::filesystem::remove(log_.BackupPath());
    }

    bool Connected() const { return connected_; }

    bool Run(const CommandJob& job) {
        const auto message = RunFor(job);
        return message && message->message == kDone;
    }

    // Runs a job and returns the message it ended with; nullopt when it could not start or
    // nothing came within ten seconds.
    std::optional<Message> RunFor(const CommandJob& job) {
        if (session_->StartJob(job) != ResultCode::Success) {
            return std::nullopt;
        }
        return inbox_.Wait(std::chrono::milliseconds(10000));
    }

    static CommandJob NewJob() {
        CommandJob job;
        job.doneMessage = kDone;
        job.failMessage = kFailed;
        return job;
    }

  private:
    std::filesystem::path logPath_;
    CommLog log_;
    DeviceState device_;
    LinkSettings settings_;
    SessionEvents events_;
    MessageInbox inbox_;
    std::unique_ptr<FakeUsbTree> usb_;
    std::unique_ptr<CommandSession> session_;
    bool connected_ = false;
};

} // namespace va48
