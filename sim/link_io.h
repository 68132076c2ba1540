#pragma once

// The simulator's operating-system side: the link (a TCP listener on 127.0.0.1 and the
// connection it accepted, or the master side of a pseudo-terminal where the platform has them),
// its standard input and the stop request, all waited on together. server.cpp holds the logic;
// link_io_posix.cpp and link_io_win32.cpp implement this.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace va48sim::io {

// A socket or terminal as the loop holds it.
using Handle = std::intptr_t;
inline constexpr Handle kNone = -1;

// Transfer results besides a byte count (> 0) and 0 for the end of the stream.
inline constexpr long kWouldBlock = -1; // nothing to read, or no room to write, just now
inline constexpr long kFailed = -2;

// Routes the platform's stop requests into Wait (SIGTERM and SIGINT; Ctrl+C, Ctrl+Break and
// closing the console on Windows) and prepares standard input for it. Call once, first. An
// empty text on success, else the reason.
std::string Start();

// Opens a pseudo-terminal pair with the master side raw and non-blocking. The slave stays open
// with the caller, so the line does not hang up between clients; `path` names it. An empty text
// on success, else the reason (always on a platform without pseudo-terminals).
std::string OpenPty(Handle& master, Handle& slave, std::string& path);

// Listens on 127.0.0.1:`port` (0 picks a free port, given back in `boundPort`). An empty text on
// success, else the reason.
std::string OpenListener(std::uint16_t port, Handle& listener, std::uint16_t& boundPort);

// The next connection, non-blocking and sending small writes at once; kNone when there is none.
Handle Accept(Handle listener);

// One non-blocking transfer on the link: a byte count, 0 at the end of the stream (read only),
// kWouldBlock or kFailed.
long ReadLink(Handle link, std::span<char> out);
long WriteLink(Handle link, std::string_view bytes);

// Reads what standard input has: a byte count, 0 at its end, kWouldBlock or kFailed. Call after
// Wait reported standard input.
long ReadStdin(std::span<char> out);

// Closes `handle` and sets it to kNone; nothing for kNone.
void Close(Handle& handle);

struct WaitSet {
    bool stdinOpen = true;   // watch standard input
    Handle listener = kNone; // watch for a connection
    Handle link = kNone;     // watch the link for input
    bool linkOutput = false; // and for room to write
    int timeoutMs = -1;      // -1: no limit
};

struct Ready {
    bool stop = false;
    bool stdinInput = false; // input or its end
    bool connection = false;
    bool linkInput = false; // input, the end of the stream or an error: the read says which
    bool linkOutput = false;
};

// Waits until something in `set` is ready, a stop was requested or the time-out passed (all
// false). False with `error` set when the wait itself failed.
bool Wait(const WaitSet& set, Ready& ready, std::string& error);

} // namespace va48sim::io
