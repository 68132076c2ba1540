#pragma once

// The simulator's child process as each platform starts and talks to it (sim_process_posix.cpp,
// sim_process_win32.cpp); SimProcess holds the rest.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace va48 {

// The platform's handles of one child process.
struct SimChild;
// Closes every handle left; the temporary stderr file goes with them. Stop the child first.
struct SimChildCloser {
    void operator()(SimChild* child) const;
};
using SimChildPtr = std::unique_ptr<SimChild, SimChildCloser>;

// Starts `program` with `args`: stdin and stdout connected to the returned child, stderr to a
// temporary file. Null with `error` set on failure.
SimChildPtr StartSimChild(const std::string& program, const std::vector<std::string>& args,
                          std::string& error);

// Appends what the child wrote to its stdout, waiting at most `limit` for something (it may
// return sooner with nothing); false at the end of its output.
bool ReadSimStdout(SimChild& child, std::string& out, std::chrono::milliseconds limit);

// Writes the start of `text` to the child's stdin: the count of bytes written (0 when
// interrupted), or -1 with `error` set when it cannot.
long WriteSimStdin(SimChild& child, std::string_view text, std::string& error);

// Reads the child's stderr file from byte `offset` into `buffer` (`size` bytes): the count read,
// 0 at its end. The file stays readable after StopSimChild.
std::size_t ReadSimStderr(const SimChild& child, std::size_t offset, char* buffer,
                          std::size_t size);

// Closes the child's stdin and stdout (the simulator ends at the end of its stdin), asks it to
// stop, ends it after `limit` if it is still running, and reaps it. Again: nothing happens.
void StopSimChild(SimChild& child, std::chrono::milliseconds limit);

} // namespace va48
