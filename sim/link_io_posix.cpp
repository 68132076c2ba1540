// The simulator's link, standard input and stop signals on POSIX: one poll() over descriptors,
// with a self-pipe for the signals.

#include "sim/link_io.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <vector>

namespace va48sim::io {

namespace {

// Self-pipe: the signal handler writes a byte, the poll loop sees it.
int gSignalPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 's';
    [[maybe_unused]] const auto written = write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

int Fd(Handle handle) {
    return static_cast<int>(handle);
}

long Transferred(ssize_t count) {
    if (count >= 0) {
        return static_cast<long>(count);
    }
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kWouldBlock : kFailed;
}

} // namespace

std::string Start() {
    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return SystemError("pipe");
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGTERM, &action, nullptr) != 0 || sigaction(SIGINT, &action, nullptr) != 0) {
        return SystemError("sigaction");
    }
    std::signal(SIGPIPE, SIG_IGN);
    return {};
}

std::string OpenPty(Handle& master, Handle& slave, std::string& path) {
    int masterFd = -1;
    int slaveFd = -1;
    if (openpty(&masterFd, &slaveFd, nullptr, nullptr, nullptr) != 0) {
        return SystemError("openpty");
    }
    master = masterFd;
    slave = slaveFd;
    fcntl(masterFd, F_SETFD, FD_CLOEXEC);
    fcntl(slaveFd, F_SETFD, FD_CLOEXEC);
    termios raw{};
    if (tcgetattr(masterFd, &raw) != 0) {
        return SystemError("tcgetattr");
    }
    cfmakeraw(&raw);
    if (tcsetattr(masterFd, TCSANOW, &raw) != 0 || !SetNonBlocking(masterFd)) {
        return SystemError("pty setup");
    }
    char name[256] = {};
    if (ttyname_r(slaveFd, name, sizeof name) != 0) {
        return SystemError("ttyname");
    }
    path = name;
    return {};
}

std::string OpenListener(std::uint16_t port, Handle& listener, std::uint16_t& boundPort) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return SystemError("socket");
    }
    listener = fd;
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return SystemError("bind");
    }
    if (listen(fd, 4) != 0) {
        return SystemError("listen");
    }
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return SystemError("getsockname");
    }
    boundPort = ntohs(address.sin_port);
    return {};
}

Handle Accept(Handle listener) {
    const int fd = accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return kNone;
    }
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return fd;
}

long ReadLink(Handle link, std::span<char> out) {
    return Transferred(read(Fd(link), out.data(), out.size()));
}

long WriteLink(Handle link, std::string_view bytes) {
    return Transferred(write(Fd(link), bytes.data(), bytes.size()));
}

long ReadStdin(std::span<char> out) {
    return Transferred(read(STDIN_FILENO, out.data(), out.size()));
}

void Close(Handle& handle) {
    if (handle != kNone) {
        close(Fd(handle));
        handle = kNone;
    }
}

bool Wait(const WaitSet& set, Ready& ready, std::string& error) {
    std::vector<pollfd> fds;
    fds.push_back({gSignalPipe[0], POLLIN, 0});
    if (set.stdinOpen) {
        fds.push_back({STDIN_FILENO, POLLIN, 0});
    }
    if (set.listener != kNone) {
        fds.push_back({Fd(set.listener), POLLIN, 0});
    }
    if (set.link != kNone) {
        fds.push_back(
            {Fd(set.link), static_cast<short>(POLLIN | (set.linkOutput ? POLLOUT : 0)), 0});
    }
    ready = Ready{};
    if (poll(fds.data(), fds.size(), set.timeoutMs) < 0) {
        if (errno == EINTR) {
            return true;
        }
        error = SystemError("poll");
        return false;
    }
    for (const pollfd& p : fds) {
        if (p.revents == 0) {
            continue;
        }
        if (p.fd == gSignalPipe[0]) {
            ready.stop = true;
        } else if (p.fd == STDIN_FILENO) {
            ready.stdinInput = true;
        } else if (set.listener != kNone && p.fd == Fd(set.listener)) {
            ready.connection = true;
        } else if (set.link != kNone && p.fd == Fd(set.link)) {
            ready.linkOutput = (p.revents & POLLOUT) != 0;
            ready.linkInput = (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
        }
    }
    return true;
}

} // namespace va48sim::io
