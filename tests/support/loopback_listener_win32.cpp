#include "tests/support/loopback_listener.h"

#include <winsock2.h>

namespace va48 {

namespace {

SOCKET Native(std::intptr_t socket) {
    return static_cast<SOCKET>(socket);
}

} // namespace

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
    for (const Peer peer : peers_) {
        ::closesocket(Native(peer));
    }
    if (socket_ != -1) {
        ::closesocket(Native(socket_));
    }
}

LoopbackListener::Peer LoopbackListener::Accept() {
    const SOCKET peer = ::accept(Native(socket_), nullptr, nullptr);
    if (peer == INVALID_SOCKET) {
        return -1;
    }
    peers_.push_back(static_cast<Peer>(peer));
    return static_cast<Peer>(peer);
}

bool LoopbackListener::Write(Peer peer, std::string_view bytes) {
    return ::send(Native(peer), bytes.data(), static_cast<int>(bytes.size()), 0) ==
           static_cast<int>(bytes.size());
}

std::size_t LoopbackListener::ReadFull(Peer peer, std::span<std::uint8_t> out) {
    const int count = ::recv(Native(peer), reinterpret_cast<char*>(out.data()),
                             static_cast<int>(out.size()), MSG_WAITALL);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void LoopbackListener::Shutdown(Peer peer) {
    ::shutdown(Native(peer), SD_BOTH);
}

} // namespace va48
