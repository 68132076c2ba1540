#pragma once

// A listening TCP socket on 127.0.0.1 for the LAN channel's tests to connect to, with the few
// calls the test side needs on an accepted peer (loopback_listener_posix.cpp / _win32.cpp).

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace va48 {

class LoopbackListener {
  public:
    using Peer = std::intptr_t;

    LoopbackListener();  // listens on a free port; Port() is 0 when that failed
    ~LoopbackListener(); // closes the listener and every accepted peer
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    std::uint16_t Port() const { return port_; }

    // Waits for the next connection (the channel connects before this is called).
    Peer Accept();

    // Sends all of `bytes`; false when that failed.
    static bool Write(Peer peer, std::string_view bytes);
    // Receives until `out` is full or the peer closed; the bytes received.
    static std::size_t ReadFull(Peer peer, std::span<std::uint8_t> out);
    // Ends both directions, as a peer that hangs up.
    static void Shutdown(Peer peer);

  private:
    std::intptr_t socket_ = -1;
    std::uint16_t port_ = 0;
    std::vector<Peer> peers_;
};

} // namespace va48
