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

struct SimChild {
    pid_t pid = -1;
    int stdinFd = -1;  // our end of the simulator's stdin
    int stdoutFd = -1; // our end of its stdout
    int stderrFd = -1; // the unlinked file its stderr writes to
};

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

std::string Errno(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

void SimChildCloser::operator()(SimChild* child) const {
    for (int* fd : {&child->stdinFd, &child->stdoutFd, &child->stderrFd}) {
        CloseFd(*fd);
    }
    delete child;
}

bool ReadSimStdout(SimChild& child, std::string& out, std::chrono::milliseconds limit) {
    if (child.stdoutFd < 0) {
        return false;
    }
    pollfd p{child.stdoutFd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(limit.count()));
    if (ready <= 0) {
        return ready == 0 || errno == EINTR;
    }
    char buffer[512];
    const ssize_t count = read(child.stdoutFd, buffer, sizeof buffer);
    if (count > 0) {
        out.append(buffer, static_cast<std::size_t>(count));
    }
    return count > 0 || (count < 0 && errno == EINTR);
}

long WriteSimStdin(SimChild& child, std::string_view text, std::string& error) {
    const ssize_t count = send(child.stdinFd, text.data(), text.size(), MSG_NOSIGNAL);
    if (count < 0 && errno != EINTR) {
        error = Errno("send");
        return -1;
    }
    return count < 0 ? 0 : static_cast<long>(count);
}

std::size_t ReadSimStderr(const SimChild& child, std::size_t offset, char* buffer,
                          std::size_t size) {
    const ssize_t count = pread(child.stderrFd, buffer, size, static_cast<off_t>(offset));
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void StopSimChild(SimChild& child, std::chrono::milliseconds limit) {
    CloseFd(child.stdinFd); // the simulator exits on end of stdin
    if (child.pid > 0) {
        kill(child.pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        pid_t reaped = 0;
        while ((reaped = waitpid(child.pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (reaped == 0) {
            kill(child.pid, SIGKILL);
            while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        child.pid = -1;
    }
    CloseFd(child.stdoutFd);
}

SimChildPtr StartSimChild(const std::string& program, const std::vector<std::string>& args,
                          std::string& error) {
    // Sockets rather than pipes: writing to a simulator that died must not raise SIGPIPE here.
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    const auto fail = [&](const char* what) {
        error = Errno(what);
        for (int* fd : {&in[0], &in[1], &out[0], &out[1]}) {
            CloseFd(*fd);
        }
        return SimChildPtr();
    };
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0 ||
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, out) != 0) {
        return fail("socketpair");
    }
    SimChildPtr child(new SimChild);
    char stderrPath[] = "/tmp/va48sim-stderr-XXXXXX";
    child->stderrFd = mkostemp(stderrPath, O_CLOEXEC);
    if (child->stderrFd < 0) {
        return fail("mkostemp");
    }
    unlink(stderrPath); // the open descriptors keep it; nothing is left behind
    child->stdinFd = in[0];
    child->stdoutFd = out[0];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child->stderrFd, STDERR_FILENO);
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
    const int spawned =
        posix_spawn(&child->pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(in[1]);
    CloseFd(out[1]);
    if (spawned != 0) {
        error = "posix_spawn " + program + ": " + std::strerror(spawned);
        return nullptr;
    }
    return child;
}

} // namespace va48
