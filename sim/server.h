#pragma once

#include "sim/control.h"
#include "sim/frame_codec.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace va48sim {

struct ServerOptions {
    bool pty = false;
    std::uint16_t port = 2255; // 0 picks a free port
    bool exitOnStdinEof = false;
};

// The simulator's I/O loop: one wait over the link, stdin (control lines), the stop request and
// the reply timers (link_io.h). The link is either a TCP listener on 127.0.0.1 that serves one
// connection at a time, or the master side of a pseudo-terminal pair in raw mode.
//
// Replies leave in request order: a delayed reply holds back the ones after it. Late duplicates
// are the exception and go out at their own time.
class Server {
  public:
    Server(ServerOptions options, SimState& state);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Opens the link and prints the "listening ..." line. Returns an empty text on success, else
    // the reason (the process should then exit with a failure).
    std::string Open();

    // Serves until a stop request (after InstallStopSignals) or, with exitOnStdinEof, the end of
    // stdin. Returns the process exit status.
    int Run();

    // Routes the stop requests (SIGTERM and SIGINT, or the console's Ctrl+C and close) into the
    // loop. Call once before Run.
    static std::string InstallStopSignals();

  private:
    using Clock = std::chrono::steady_clock;
    struct Scheduled {
        Clock::time_point due;
        std::uint64_t order = 0;
        std::string bytes;
        bool close = false; // close the connection once everything before it is written
    };

    void AcceptClient();
    void CloseConnection(const char* why);
    void ReadConnection();
    void WriteConnection();
    void ReadStdin();
    void HandleControlLine(const std::string& line);
    void HandleRequest(const Request& request);
    void Schedule(Clock::time_point due, std::string bytes, bool close);
    void RunDueItems();
    int PollTimeoutMs() const;
    void Log(const std::string& line) const;

    ServerOptions options_;
    SimState& state_;
    std::intptr_t listener_ = -1;
    std::intptr_t link_ = -1;     // accepted socket or pty master
    std::intptr_t ptySlave_ = -1; // held open so the line does not hang up between clients
    bool stdinOpen_ = true;
    bool stop_ = false;
    bool closing_ = false; // the last reply before a drop is queued: answer nothing more
    bool dropDue_ = false; // that reply is due: close once the output is written

    RequestDecoder decoder_;
    std::string output_; // bytes due but not yet taken by the link
    std::vector<Scheduled> scheduled_;
    Clock::time_point lastDue_{};
    std::uint64_t nextOrder_ = 0;
    std::size_t repliesOnConnection_ = 0;
    std::size_t updateLines_ = 0; // UPD 4 lines since the last UPD 1 on this connection
    std::string stdinBuffer_;
};

} // namespace va48sim
