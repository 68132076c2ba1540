#pragma once

#include "tests/support/sim_child.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace va48 {

// Runs the simulated amplifier (va48sim) as a child process for end-to-end tests and benchmarks.
//
// The constructor starts it with `args` plus "--exit-on-stdin-eof" (so it cannot outlive this
// object, even if the test process dies) and "--port 0" when neither --port nor --pty is given,
// then waits at most five seconds for its "listening ..." line. Check Started() before use.
// stderr goes to an unlinked temporary file that StderrLog() and ReceivedRequests() read; pass
// "--log" (or Control("log on")) for the simulator to write the request texts there.
// The destructor stops the process (closing its stdin and, on POSIX, SIGTERM; it is killed after
// two seconds) and reaps it.
// Not thread-safe: use one object from one thread.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // True when the simulator is listening; otherwise Error() says why.
    bool Started() const { return started_; }
    // The last failure: start-up, or a refused or unanswered control line.
    const std::string& Error() const { return error_; }

    // TCP port on 127.0.0.1; 0 in pty mode or when not started.
    std::uint16_t Port() const { return port_; }
    // Slave path of the pseudo-terminal; empty in TCP mode or when not started.
    const std::string& PtyPath() const { return ptyPath_; }

    // Sends one control line (a setting without the leading dashes, e.g. "nak SET:0002") and waits
    // at most five seconds for the answer. True when the simulator answered "ok"; otherwise
    // Error() holds its answer or the reason there was none.
    bool Control(std::string_view line);

    // Everything the simulator has written to stderr so far.
    std::string StderrLog() const;

    // The request texts received so far, in order, exactly as they arrived (control bytes such as
    // the line end of a firmware line included). Needs the simulator's log switched on.
    std::vector<std::string> ReceivedRequests() const;

    // Waits until at least `count` requests were received or `limit` has passed; true when they
    // were. For requests that get no reply (a silent command), which a client cannot wait for.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;

    // Stops and reaps the process now; its stderr log stays readable until destruction.
    void Stop();

  private:
    bool Start(std::vector<std::string> args);
    // Reads one line from the simulator's stdout, waiting at most `limit`; false on time-out or
    // end of file.
    bool ReadLine(std::string& line, std::chrono::milliseconds limit);

    SimChildPtr child_;
    std::string stdoutBuffer_;
    bool started_ = false;
    std::string error_;
    std::uint16_t port_ = 0;
    std::string ptyPath_;
};

} // namespace va48
