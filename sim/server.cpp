#include "sim/server.h"

#include "sim/text_escape.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace va48sim {

namespace {

constexpr Milliseconds kPtyHangupGrace{200};

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

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace

Server::Server(ServerOptions options, SimState& state) : options_(options), state_(state) {}

Server::~Server() {
    CloseFd(connFd_);
    CloseFd(listenFd_);
    CloseFd(ptySlave_);
}

std::string Server::InstallStopSignals() {
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

std::string Server::Open() {
    if (options_.pty) {
        int master = -1;
        if (openpty(&master, &ptySlave_, nullptr, nullptr, nullptr) != 0) {
            return SystemError("openpty");
        }
        connFd_ = master;
        fcntl(connFd_, F_SETFD, FD_CLOEXEC);
        fcntl(ptySlave_, F_SETFD, FD_CLOEXEC);
        termios raw{};
        if (tcgetattr(connFd_, &raw) != 0) {
            return SystemError("tcgetattr");
        }
        cfmakeraw(&raw);
        if (tcsetattr(connFd_, TCSANOW, &raw) != 0 || !SetNonBlocking(connFd_)) {
            return SystemError("pty setup");
        }
        char path[256] = {};
        if (ttyname_r(ptySlave_, path, sizeof path) != 0) {
            return SystemError("ttyname");
        }
        PrintLine(std::string("listening pty ") + path);
        return {};
    }

    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        return SystemError("socket");
    }
    const int yes = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(options_.port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return SystemError("bind");
    }
    if (listen(listenFd_, 4) != 0) {
        return SystemError("listen");
    }
    socklen_t length = sizeof address;
    if (getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return SystemError("getsockname");
    }
    PrintLine("listening tcp 127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
    return {};
}

void Server::Log(const std::string& line) const {
    if (state_.log) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
}

void Server::AcceptClient() {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return;
    }
    const int yes = 1;
    // Small replies must leave at once, and the two pieces of a split reply as two segments.
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    connFd_ = fd;
    Log("connected");
}

// Ends the current connection and forgets everything queued for it. A pseudo-terminal cannot be
// reconnected under the same path, so closing it hangs the line up for good.
void Server::CloseConnection(const char* why) {
    CloseFd(connFd_);
    if (options_.pty) {
        CloseFd(ptySlave_);
    }
    decoder_.Reset();
    output_.clear();
    scheduled_.clear();
    closing_ = false;
    dropDue_ = false;
    lastDue_ = {};
    repliesOnConnection_ = 0;
    updateLines_ = 0;
    Log(std::string("disconnected (") + why + ")");
}

void Server::Schedule(Clock::time_point due, std::string bytes, bool close) {
    scheduled_.push_back(Scheduled{due, nextOrder_++, std::move(bytes), close});
}

void Server::HandleRequest(const Request& request) {
    Log("rx " + Escape(request.text));
    const std::string command = request.text.substr(0, 3);
    const CommandFaults& own = state_.faults.For(command);
    const UpdateFault updateFault = UpdateFaultFor(state_.faults, request.text, updateLines_);
    if (updateFault == UpdateFault::Drop) {
        Log("tx none");
        CloseConnection("dropped mid-update");
        return;
    }
    std::string answered;
    const auto chunks = PlanReply(state_.faults, command, [&] {
        if (updateFault == UpdateFault::FailWrite) {
            answered = "tx nak " + Escape(*state_.faults.writeFailStatus);
            return EncodeNak(*state_.faults.writeFailStatus);
        }
        const Answer answer = state_.amplifier.Handle(request.text);
        answered = answer.nak ? "tx nak " + Escape(answer.text) : "tx " + Escape(answer.text);
        return answer.nak ? EncodeNak(answer.text) : EncodeAck(answer.text);
    });
    if (own.silent) {
        Log("tx none");
    } else if (own.flood) {
        Log("tx flood");
    } else if (own.nakStatus) {
        Log("tx nak " + Escape(*own.nakStatus));
    } else {
        Log(answered);
    }
    if (chunks.empty()) {
        return;
    }
    const auto now = Clock::now();
    for (const Chunk& chunk : chunks) {
        if (chunk.outOfBand) {
            Schedule(now + chunk.at, chunk.bytes, false);
        } else {
            lastDue_ = std::max(now + chunk.at, lastDue_);
            Schedule(lastDue_, chunk.bytes, false);
        }
    }
    ++repliesOnConnection_;
    if (state_.faults.dropAfter != 0 && repliesOnConnection_ >= state_.faults.dropAfter) {
        // Closing a pty master discards what the slave has not read yet, so the last reply gets a
        // moment to be read before the line hangs up. A socket delivers it before its FIN anyway.
        Schedule(lastDue_ + (options_.pty ? kPtyHangupGrace : Milliseconds{0}), {}, true);
        closing_ = true;
    }
}

void Server::RunDueItems() {
    const auto now = Clock::now();
    std::ranges::sort(scheduled_, [](const Scheduled& a, const Scheduled& b) {
        return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    std::size_t done = 0;
    for (; done < scheduled_.size() && scheduled_[done].due <= now; ++done) {
        Scheduled& item = scheduled_[done];
        if (item.close) {
            // Anything queued after the drop (a late duplicate) dies with the connection.
            scheduled_.clear();
            dropDue_ = true;
            return;
        }
        output_ += item.bytes;
    }
    scheduled_.erase(scheduled_.begin(), scheduled_.begin() + static_cast<std::ptrdiff_t>(done));
}

int Server::PollTimeoutMs() const {
    if (scheduled_.empty()) {
        return -1;
    }
    const auto next = std::ranges::min_element(scheduled_, {}, &Scheduled::due)->due;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, 60000));
}

void Server::ReadConnection() {
    char buffer[4096];
    const ssize_t count = read(connFd_, buffer, sizeof buffer);
    if (count > 0) {
        if (closing_) {
            return; // the connection is about to drop; late requests go unanswered
        }
        for (const Request& request : decoder_.Feed(std::string_view(buffer, count))) {
            HandleRequest(request);
            if (closing_ || connFd_ < 0) {
                break;
            }
        }
    } else if (count == 0) {
        CloseConnection("peer closed");
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        // A pty master reads EIO only when no slave is open, which the held slave prevents.
        CloseConnection("read error");
    }
}

void Server::WriteConnection() {
    while (!output_.empty()) {
        const ssize_t count = write(connFd_, output_.data(), output_.size());
        if (count > 0) {
            output_.erase(0, static_cast<std::size_t>(count));
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        } else {
            CloseConnection("write error");
            return;
        }
    }
}

void Server::HandleControlLine(const std::string& line) {
    const Setting setting = ParseControlLine(line);
    if (setting.name.empty()) {
        return;
    }
    const std::string error = ApplySetting(setting, state_);
    PrintLine(error.empty() ? "ok" : "error " + error);
}

void Server::ReadStdin() {
    char buffer[1024];
    const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) {
        return;
    }
    if (count <= 0) {
        stdinOpen_ = false;
        if (options_.exitOnStdinEof) {
            stop_ = true;
        }
        return;
    }
    stdinBuffer_.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t end = stdinBuffer_.find('\n'); end != std::string::npos;
         end = stdinBuffer_.find('\n')) {
        HandleControlLine(stdinBuffer_.substr(0, end));
        stdinBuffer_.erase(0, end + 1);
    }
}

int Server::Run() {
    while (!stop_) {
        RunDueItems();
        if (connFd_ >= 0 && !output_.empty()) {
            WriteConnection();
        }
        if (connFd_ >= 0 && dropDue_ && output_.empty()) {
            CloseConnection("dropped");
        }

        std::vector<pollfd> fds;
        fds.push_back({gSignalPipe[0], POLLIN, 0});
        if (stdinOpen_) {
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        }
        if (listenFd_ >= 0 && connFd_ < 0) {
            fds.push_back({listenFd_, POLLIN, 0});
        }
        if (connFd_ >= 0) {
            const short events = static_cast<short>(POLLIN | (output_.empty() ? 0 : POLLOUT));
            fds.push_back({connFd_, events, 0});
        }
        if (poll(fds.data(), fds.size(), PollTimeoutMs()) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("poll");
            return 1;
        }
        for (const pollfd& p : fds) {
            if (p.revents == 0) {
                continue;
            }
            if (p.fd == gSignalPipe[0]) {
                stop_ = true;
            } else if (p.fd == STDIN_FILENO) {
                ReadStdin();
            } else if (p.fd == listenFd_) {
                AcceptClient();
            } else if (p.fd == connFd_) {
                if ((p.revents & POLLOUT) != 0) {
                    WriteConnection();
                }
                if (connFd_ >= 0 && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                    ReadConnection();
                }
            }
        }
    }
    return 0;
}

} // namespace va48sim
