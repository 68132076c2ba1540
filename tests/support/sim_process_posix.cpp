// The simulator's child process on POSIX: posix_spawn with socket pairs for stdin and stdout and
// an unlinked temporary file for stderr.

#include "tests/support/sim_child.h"

#include <cerrno>
#include <csignal>
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

class PosixSimChild final : public SimChild {
  public:
    PosixSimChild(pid_t pid, int stdinFd, int stdoutFd, int stderrFd)
        : pid_(pid), stdinFd_(stdinFd), stdoutFd_(stdoutFd), stderrFd_(stderrFd) {}
    ~PosixSimChild() override {
        Stop(milliseconds(2000));
        CloseFd(stderrFd_);
    }

    bool ReadStdout(std::string& out, milliseconds limit) override {
        const auto deadline = Clock::now() + limit;
        for (;;) {
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
            out.append(buffer, static_cast<std::size_t>(count));
            return true;
        }
    }

    bool WriteStdin(std::string_view text, std::string& error) override {
        for (std::size_t sent = 0; sent < text.size();) {
            const ssize_t count =
                send(stdinFd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                error = Errno("send");
                return false;
            }
            sent += static_cast<std::size_t>(count);
        }
        return true;
    }

    std::string StderrLog() const override {
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

    void Stop(milliseconds limit) override {
        CloseFd(stdinFd_); // the simulator exits on end of stdin
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            const auto deadline = Clock::now() + limit;
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
    }

  private:
    pid_t pid_;
    int stdinFd_;  // our end of the simulator's stdin
    int stdoutFd_; // our end of its stdout
    int stderrFd_; // the unlinked file its stderr writes to
};

} // namespace

std::unique_ptr<SimChild> StartSimChild(const std::string& program,
                                        const std::vector<std::string>& args, std::string& error) {
    // Sockets rather than pipes: writing to a simulator that died must not raise SIGPIPE here.
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    char stderrPath[] = "/tmp/va48sim-stderr-XXXXXX";
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0 ||
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, out) != 0) {
        error = Errno("socketpair");
        for (int* fd : {&in[0], &in[1], &out[0], &out[1]}) {
            CloseFd(*fd);
        }
        return nullptr;
    }
    int stderrFd = mkostemp(stderrPath, O_CLOEXEC);
    if (stderrFd < 0) {
        error = Errno("mkostemp");
        for (int* fd : {&in[0], &in[1], &out[0], &out[1]}) {
            CloseFd(*fd);
        }
        return nullptr;
    }
    unlink(stderrPath); // the open descriptors keep it; nothing is left behind

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stderrFd, STDERR_FILENO);
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

    std::vector<std::string> argv0 = {program};
    argv0.insert(argv0.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv0) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(in[1]);
    CloseFd(out[1]);
    if (spawned != 0) {
        error = "posix_spawn " + program + ": " + std::strerror(spawned);
        CloseFd(in[0]);
        CloseFd(out[0]);
        CloseFd(stderrFd);
        return nullptr;
    }
    return std::make_unique<PosixSimChild>(pid, in[0], out[0], stderrFd);
}

} // namespace va48
