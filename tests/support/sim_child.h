#pragma once

// The simulator's child process as each platform starts and talks to it (sim_process_posix.cpp,
// sim_process_win32.cpp); SimProcess holds the rest.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace va48 {

class SimChild {
  public:
    virtual ~SimChild() = default;

    // Appends what the child wrote to its stdout, waiting at most `limit` for something; false
    // on time-out or at the end of its output.
    virtual bool ReadStdout(std::string& out, std::chrono::milliseconds limit) = 0;

    // Writes all of `text` to the child's stdin; false with `error` set when it cannot.
    virtual bool WriteStdin(std::string_view text, std::string& error) = 0;

    // Everything the child has written to stderr so far; it stays readable after Stop.
    virtual std::string StderrLog() const = 0;

    // Closes the child's stdin and stdout (the simulator ends at the end of its stdin), asks it
    // to stop, ends it after `limit` if it is still running, and reaps it.
    virtual void Stop(std::chrono::milliseconds limit) = 0;
};

// Starts `program` with `args`: stdin and stdout connected to the returned object, stderr to a
// temporary file that goes when the object does. Null with `error` set on failure.
std::unique_ptr<SimChild> StartSimChild(const std::string& program,
                                        const std::vector<std::string>& args, std::string& error);

} // namespace va48
