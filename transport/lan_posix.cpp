#include "transport/lan_backend.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace va48::lan_backend {

namespace {

// Descriptors 0..2 may be free when the program runs without standard streams; a handle must
// never be 0, so such a socket is moved up.
int AboveStandardStreams(int fd) {
    if (fd < 0 || fd > 2) {
        return fd;
    }
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

bool SetNonBlocking(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) {
        return false;
    }
    return ::fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

} // namespace

bool ParseIpv4(std::string_view text, std::array<std::uint8_t, 4>& out) {
    // A NUL would end the text early for inet_pton: "127.0.0.1\0junk" is no address.
    if (text.empty() || text.size() > 31 || text.find('\0') != std::string_view::npos) {
        return false;
    }
    const std::string copy(text);
    in_addr address{};
    if (::inet_pton(AF_INET, copy.c_str(), &address) != 1) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address.s_addr);
    std::copy(bytes, bytes + 4, out.begin());
    return true;
}

Socket CreateSocket(int& error) {
    const int fd = AboveStandardStreams(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd < 0) {
        error = errno;
        return kNoSocket;
    }
    return fd;
}

ConnectStart StartConnect(Socket socket, const std::array<std::uint8_t, 4>& address,
                          std::uint16_t port, int& error) {
    if (!SetNonBlocking(socket, true)) {
        error = errno;
        return ConnectStart::Failed;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    std::copy(address.begin(), address.end(), reinterpret_cast<std::uint8_t*>(&peer.sin_addr));
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        return ConnectStart::Connected;
    }
    error = errno;
    return (error == EINPROGRESS || error == EWOULDBLOCK) ? ConnectStart::InProgress
                                                          : ConnectStart::Failed;
}

Readiness WaitReady(Socket socket, bool forWrite, std::chrono::microseconds timeout, int wake,
                    int& error) {
    pollfd fds[2] = {{socket, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0},
                     {wake, POLLIN, 0}};
    const int count = wake >= 0 ? 2 : 1;
    // Round up so that a wait of less than a millisecond still waits.
    const auto ms = static_cast<int>((timeout.count() + 999) / 1000);
    int result;
    do {
        result = ::poll(fds, count, ms);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        error = errno;
        return Readiness::Failed;
    }
    if (count == 2 && (fds[1].revents & POLLIN)) {
        return Readiness::NotReady;
    }
    if (result == 0 || fds[0].revents == 0) {
        return Readiness::NotReady;
    }
    // A connect that failed shows as writable with a hang-up; it is not a connection.
    if (forWrite && (fds[0].revents & (POLLERR | POLLHUP)) && !(fds[0].revents & POLLIN)) {
        int pending = 0;
        socklen_t length = sizeof pending;
        ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &length);
        error = pending != 0 ? pending : ECONNREFUSED;
        return Readiness::NotReady;
    }
    int pending = 0;
    socklen_t length = sizeof pending;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        error = errno;
        return Readiness::Failed;
    }
    if (pending != 0) {
        error = pending;
        return Readiness::NotReady;
    }
    return Readiness::Ready;
}

bool MakeBlocking(Socket socket, int& error) {
    const int on = 1;
    if (!SetNonBlocking(socket, false) ||
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
        error = errno;
        return false;
    }
    return true;
}

int Receive(Socket socket, std::span<std::uint8_t> out, int& error) {
    ssize_t result;
    do {
        result = ::recv(socket, out.data(), out.size(), 0);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        error = errno;
        return -1;
    }
    return static_cast<int>(result);
}

int Send(Socket socket, std::span<const std::uint8_t> bytes, int& error) {
    ssize_t result;
    do {
        result = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        error = errno;
        return -1;
    }
    return static_cast<int>(result);
}

void Shutdown(Socket socket) {
    if (socket >= 0) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

void ShutdownAndClose(Socket socket) {
    if (socket >= 0) {
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
    }
}

int CreateWake() {
    return AboveStandardStreams(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
}

void SignalWake(int wake) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof one);
}

void CloseWake(int wake) {
    if (wake >= 0) {
        ::close(wake);
    }
}

} // namespace va48::lan_backend
