#pragma once

// A listening TCP socket on 127.0.0.1 that takes connections into its queue and serves none, for
// the LAN channel's tests of what needs no peer (loopback_listener_posix.cpp / _win32.cpp).

#include <cstdint>

namespace va48 {

class LoopbackListener {
  public:
    LoopbackListener();  // listens on a free port, queueing up to 16 connections; Port() is 0
                         // when that failed
    ~LoopbackListener(); // closes the listener and the connections queued
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    std::uint16_t Port() const { return port_; }

  private:
    std::intptr_t socket_ = -1;
    std::uint16_t port_ = 0;
};

} // namespace va48
