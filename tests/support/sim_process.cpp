#include "tests/support/sim_process.h"

#include "sim/text_escape.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace va48 {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kStartLimit{5000};
constexpr milliseconds kControlLimit{5000};
constexpr milliseconds kStopLimit{2000};
constexpr milliseconds kPollStep{10};

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

std::string Errno(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool Has(const std::vector<std::string>& args, std::string_view option) {
    return std::ranges::any_of(args, [option](const std::string& arg) {
        return arg == option || arg.starts_with(std::string(option) + "=");
    });
}

} // namespace

SimProcess::SimProcess(std::vector<std::string> args) {
    started_ = Start(std::move(args));
    if (!started_) {
        Stop();
    }
}

SimProcess::~SimProcess() {
    Stop();
    CloseFd(stderrFd_);
}

bool SimProcess::Start(std::vector<std::string> args) {
    if (!Has(args, "--port") && !Has(args, "--pty")) {
        args.insert(args.end(), {"--port", "0"});
    }
    args.push_back("--exit-on-stdin-eof");

    // Sockets rather than pipes: writing to a simulator that died must not raise SIGPIPE here.
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    char stderrPath[] = "/tmp/va48sim-stderr-XXXXXX";
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0 ||
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, out) != 0) {
        error_ = Errno("socketpair");
        for (int* fd : {&in[0], &in[1], &out[0], &out[1]}) {
            CloseFd(*fd);
        }
        return false;
    }
    stdinFd_ = in[0];
    stdoutFd_ = out[0];
    stderrFd_ = mkostemp(stderrPath, O_CLOEXEC);
    if (stderrFd_ < 0) {
        error_ = Errno("mkostemp");
        CloseFd(in[1]);
        CloseFd(out[1]);
        return false;
    }
    unlink(stderrPath); // the open descriptors keep it; nothing is left behind

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stderrFd_, STDERR_FILENO);
    // Descriptors the test opened without close-on-exec (client sockets) must not keep a
    // connection alive inside the simulator.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    // A clean signal state, whatever the test process blocked or ignored.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signal : {SIGTERM, SIGINT, SIGPIPE}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> argv0 = {VA48SIM_PATH};
    argv0.insert(argv0.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv0) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&pid_, VA48SIM_PATH, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(in[1]);
    CloseFd(out[1]);
    if (spawned != 0) {
        pid_ = -1;
        error_ = std::string("posix_spawn " VA48SIM_PATH ": ") + std::strerror(spawned);
        return false;
    }

    std::string line;
    if (!ReadLine(line, kStartLimit)) {
        error_ = "va48sim printed no listening line; stderr: " + StderrLog();
        return false;
    }
    constexpr std::string_view kTcp = "listening tcp 127.0.0.1:";
    constexpr std::string_view kPty = "listening pty ";
    if (line.starts_with(kTcp)) {
        const int port = std::atoi(line.c_str() + kTcp.size());
        if (port <= 0 || port > 65535) {
            error_ = "bad listening line: " + line;
            return false;
        }
        port_ = static_cast<std::uint16_t>(port);
    } else if (line.starts_with(kPty)) {
        ptyPath_ = line.substr(kPty.size());
    } else {
        error_ = "unexpected first line: " + line;
        return false;
    }
    return true;
}

bool SimProcess::ReadLine(std::string& line, milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (true) {
        const std::size_t end = stdoutBuffer_.find('\n');
        if (end != std::string::npos) {
            line = stdoutBuffer_.substr(0, end);
            stdoutBuffer_.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (stdoutFd_ < 0 || left.count() <= 0) {
            return false;
        }
        pollfd p{stdoutFd_, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char buffer[512];
        const ssize_t count = read(stdoutFd_, buffer, sizeof buffer);
        if (count <= 0) {
            return false;
        }
        stdoutBuffer_.append(buffer, static_cast<std::size_t>(count));
    }
}

bool SimProcess::Control(std::string_view line) {
    if (!started_) {
        return false;
    }
    std::string text(line);
    text += '\n';
    for (std::size_t sent = 0; sent < text.size();) {
        const ssize_t count = send(stdinFd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            error_ = Errno("control line not sent");
            return false;
        }
        sent += static_cast<std::size_t>(count);
    }
    std::string reply;
    if (!ReadLine(reply, kControlLimit)) {
        error_ = "no answer to control line '" + std::string(line) + "'";
        return false;
    }
    if (reply != "ok") {
        error_ = reply;
        return false;
    }
    return true;
}

std::string SimProcess::StderrLog() const {
    std::string log;
    if (stderrFd_ < 0) {
        return log;
    }
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t count = pread(stderrFd_, buffer, sizeof buffer, offset);
        if (count <= 0) {
            break;
        }
        log.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
    return log;
}

std::vector<std::string> SimProcess::ReceivedRequests() const {
    const std::string log = StderrLog();
    std::vector<std::string> requests;
    std::size_t start = 0;
    for (std::size_t end = log.find('\n'); end != std::string::npos;
         start = end + 1, end = log.find('\n', start)) {
        const std::string_view line(log.data() + start, end - start);
        if (line.starts_with("rx ")) {
            const std::string_view text = std::string_view(line).substr(3);
            requests.push_back(va48sim::Unescape(text).value_or(std::string(text)));
        }
    }
    return requests;
}

bool SimProcess::WaitForRequests(std::size_t count, milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    while (ReceivedRequests().size() < count) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

void SimProcess::Stop() {
    CloseFd(stdinFd_); // the simulator exits on end of stdin
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + kStopLimit;
        int status = 0;
        pid_t reaped = 0;
        while ((reaped = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(kPollStep);
        }
        if (reaped == 0) {
            kill(pid_, SIGKILL);
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        pid_ = -1;
    }
    CloseFd(stdoutFd_);
    started_ = false;
}

} // namespace va48
