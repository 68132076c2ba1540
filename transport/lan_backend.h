#pragma once

// The operating-system side of the LAN channel. Everything here is a thin wrapper over the
// platform's socket calls (lan_posix.cpp, lan_win32.cpp); errors come back as the platform's
// error number (errno, or the Winsock error on Windows).

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>

namespace va48::lan_backend {

// A socket as the channel keeps it and hands it out as a connection handle. A Winsock handle is
// a kernel handle, whose value always fits 32 bits, so it is carried as an int too.
using Socket = int;
inline constexpr Socket kNoSocket = -1;

// Parses a dotted-decimal IPv4 address; false for anything else.
bool ParseIpv4(std::string_view text, std::array<std::uint8_t, 4>& out);

// A new IPv4 stream socket (never descriptor 0..2), or kNoSocket with `error` set.
Socket CreateSocket(int& error);

enum class ConnectStart { Connected, InProgress, Failed };

// Starts a non-blocking connect to address:port.
ConnectStart StartConnect(Socket socket, const std::array<std::uint8_t, 4>& address,
                          std::uint16_t port, int& error);

enum class Readiness { Ready, NotReady, Failed };

// Waits up to `timeout` for the socket to become writable (or readable), then checks its pending
// error: Ready only when the socket is ready and has no pending error. A signal on `wake` (when
// valid) ends the wait early with NotReady.
Readiness WaitReady(Socket socket, bool forWrite, std::chrono::microseconds timeout, int wake,
                    int& error);

// Back to blocking mode, with small writes sent at once.
bool MakeBlocking(Socket socket, int& error);

// One receive call: bytes received, 0 when the peer closed, -1 with `error` set.
int Receive(Socket socket, std::span<std::uint8_t> out, int& error);

// One send call that never raises a signal: bytes sent or -1 with `error` set.
int Send(Socket socket, std::span<const std::uint8_t> bytes, int& error);

// Shuts both directions down; calls blocked on the socket return. The descriptor stays valid.
void Shutdown(Socket socket);

// Shuts both directions down and closes the socket.
void ShutdownAndClose(Socket socket);

// Something WaitReady also watches, to wake a waiting receive thread: an event descriptor, or on
// Windows a loopback datagram socket that sends to itself. Once signalled it stays signalled.
// -1 when it cannot be made.
int CreateWake();
void SignalWake(int wake);
void CloseWake(int wake);

} // namespace va48::lan_backend
