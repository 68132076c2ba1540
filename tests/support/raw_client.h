#pragma once

#include "transport/lan_backend.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace va48 {

// A raw byte stream to the simulator over TCP on 127.0.0.1, as another client would open one:
// through the LAN channel's socket calls, so that it runs wherever they do, reading with a bounded
// wait. The tests use it to see the bytes themselves, or to change the amplifier behind the
// program's back.
class RawClient {
  public:
    explicit RawClient(std::uint16_t port) {
        namespace os = lan_backend;
        int error = 0;
        socket_ = os::CreateSocket(error);
        const std::array<std::uint8_t, 4> loopback = {127, 0, 0, 1};
        const os::ConnectStart start = socket_ == os::kNoSocket
                                           ? os::ConnectStart::Failed
                                           : os::StartConnect(socket_, loopback, port, error);
        connected_ = (start == os::ConnectStart::Connected ||
                      (start == os::ConnectStart::InProgress &&
                       os::WaitReady(socket_, true, kWait, -1, error) == os::Readiness::Ready)) &&
                     os::MakeBlocking(socket_, error);
    }
    ~RawClient() { lan_backend::ShutdownAndClose(socket_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return connected_; }

    // Sends `text` as one request frame; false when not all of it went.
    bool Send(std::string_view text) {
        const std::string frame = "\x02\x01"
                                  "C" +
                                  std::string(text) + std::string("\x03\x00\r\n", 4);
        int error = 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
        return connected_ && lan_backend::Send(socket_, std::span(bytes, frame.size()), error) ==
                                 static_cast<int>(frame.size());
    }

    // Reads until `frames` CR LF endings arrived, the peer closed, or five seconds passed.
    std::string Read(int frames, bool* closed = nullptr) {
        std::string bytes;
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (CountFrames(bytes) < frames && std::chrono::steady_clock::now() < deadline) {
            int error = 0;
            if (lan_backend::WaitReady(socket_, false, std::chrono::milliseconds(100), -1, error) !=
                lan_backend::Readiness::Ready) {
                continue;
            }
            std::array<std::uint8_t, 8192> buffer{};
            const int count = lan_backend::Receive(socket_, buffer, error);
            if (count <= 0) {
                if (closed != nullptr) {
                    *closed = true;
                }
                break;
            }
            bytes.append(reinterpret_cast<const char*>(buffer.data()),
                         static_cast<std::size_t>(count));
        }
        return bytes;
    }

    // Sends `text` and returns the reply frame; empty when none came.
    std::string Ask(std::string_view text) { return Send(text) ? Read(1) : std::string(); }

  private:
    static constexpr std::chrono::seconds kWait{5};

    static int CountFrames(const std::string& bytes) {
        int count = 0;
        for (std::size_t at = bytes.find("\r\n"); at != std::string::npos;
             at = bytes.find("\r\n", at + 2)) {
            ++count;
        }
        return count;
    }

    lan_backend::Socket socket_ = lan_backend::kNoSocket;
    bool connected_ = false;
};

} // namespace va48
