#include "tests/support/loopback_listener.h"

#include <winsock2.h>

namespace va48 {

LoopbackListener::LoopbackListener() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const SOCKET listener = started ? ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
    socket_ = listener == INVALID_SOCKET ? -1 : static_cast<std::intptr_t>(listener);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (socket_ != -1 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::listen(listener, 16) == 0 &&
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
    }
}

LoopbackListener::~LoopbackListener() {
    if (socket_ != -1) {
        ::closesocket(static_cast<SOCKET>(socket_));
    }
}

} // namespace va48
