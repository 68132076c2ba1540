#include "tests/support/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace va48 {

LoopbackListener::LoopbackListener() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    socket_ = fd;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::listen(fd, 16) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
    }
}

LoopbackListener::~LoopbackListener() {
    for (const Peer peer : peers_) {
        ::close(static_cast<int>(peer));
    }
    if (socket_ >= 0) {
        ::close(static_cast<int>(socket_));
    }
}

LoopbackListener::Peer LoopbackListener::Accept() {
    const int peer = ::accept(static_cast<int>(socket_), nullptr, nullptr);
    if (peer >= 0) {
        peers_.push_back(peer);
    }
    return peer;
}

bool LoopbackListener::Write(Peer peer, std::string_view bytes) {
    return ::send(static_cast<int>(peer), bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

std::size_t LoopbackListener::ReadFull(Peer peer, std::span<std::uint8_t> out) {
    const ssize_t count = ::recv(static_cast<int>(peer), out.data(), out.size(), MSG_WAITALL);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void LoopbackListener::Shutdown(Peer peer) {
    ::shutdown(static_cast<int>(peer), SHUT_RDWR);
}

} // namespace va48
