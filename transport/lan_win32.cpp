// The LAN channel's socket calls over Winsock.

#include "transport/lan_backend.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <string>

namespace va48::lan_backend {

namespace {

// Winsock needs one WSAStartup per process before any other call; it is never undone, since
// sockets may be closed by static destructors.
int StartWinsock() {
    static const int result = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return result;
}

SOCKET Native(Socket socket) {
    // Sign extension keeps -1 as INVALID_SOCKET.
    return static_cast<SOCKET>(static_cast<std::intptr_t>(socket));
}

Socket Narrow(SOCKET socket) {
    return socket == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(socket);
}

bool SetNonBlocking(SOCKET socket, bool on) {
    u_long mode = on ? 1 : 0;
    return ioctlsocket(socket, FIONBIO, &mode) == 0;
}

int PendingError(SOCKET socket, int& pending) {
    int length = sizeof pending;
    return getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &length);
}

} // namespace

bool ParseIpv4(std::string_view text, std::array<std::uint8_t, 4>& out) {
    // A NUL would end the text early for inet_pton: "127.0.0.1\0junk" is no address.
    if (text.empty() || text.size() > 31 || text.find('\0') != std::string_view::npos) {
        return false;
    }
    StartWinsock();
    const std::string copy(text);
    in_addr address{};
    if (inet_pton(AF_INET, copy.c_str(), &address) != 1) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address.s_addr);
    std::copy(bytes, bytes + 4, out.begin());
    return true;
}

Socket CreateSocket(int& error) {
    if (const int started = StartWinsock(); started != 0) {
        error = started;
        return kNoSocket;
    }
    const SOCKET socket =
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        error = WSAGetLastError();
    }
    return Narrow(socket);
}

ConnectStart StartConnect(Socket socket, const std::array<std::uint8_t, 4>& address,
                          std::uint16_t port, int& error) {
    const SOCKET native = Native(socket);
    if (!SetNonBlocking(native, true)) {
        error = WSAGetLastError();
        return ConnectStart::Failed;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    std::copy(address.begin(), address.end(), reinterpret_cast<std::uint8_t*>(&peer.sin_addr));
    if (connect(native, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        return ConnectStart::Connected;
    }
    error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS ? ConnectStart::InProgress
                                                              : ConnectStart::Failed;
}

Readiness WaitReady(Socket socket, bool forWrite, std::chrono::microseconds timeout, int wake,
                    int& error) {
    const SOCKET native = Native(socket);
    fd_set readable;
    fd_set writable;
    fd_set failed; // where select reports a connect that failed
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    if (forWrite) {
        FD_SET(native, &writable);
        FD_SET(native, &failed);
    } else {
        FD_SET(native, &readable);
    }
    if (wake >= 0) {
        FD_SET(Native(wake), &readable);
    }
    const auto micros = std::max<std::chrono::microseconds::rep>(timeout.count(), 0);
    timeval limit{static_cast<long>(micros / 1'000'000), static_cast<long>(micros % 1'000'000)};
    const int result = select(0, &readable, &writable, &failed, &limit);
    if (result == SOCKET_ERROR) {
        error = WSAGetLastError();
        return Readiness::Failed;
    }
    if (wake >= 0 && FD_ISSET(Native(wake), &readable)) {
        return Readiness::NotReady;
    }
    if (result == 0) {
        return Readiness::NotReady;
    }
    int pending = 0;
    if (PendingError(native, pending) != 0) {
        error = WSAGetLastError();
        return Readiness::Failed;
    }
    if (forWrite && FD_ISSET(native, &failed)) {
        error = pending != 0 ? pending : WSAECONNREFUSED;
        return Readiness::NotReady;
    }
    if (pending != 0) {
        error = pending;
        return Readiness::NotReady;
    }
    return Readiness::Ready;
}

bool MakeBlocking(Socket socket, int& error) {
    const SOCKET native = Native(socket);
    const BOOL on = TRUE;
    if (!SetNonBlocking(native, false) ||
        setsockopt(native, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                   sizeof on) != 0) {
        error = WSAGetLastError();
        return false;
    }
    return true;
}

int Receive(Socket socket, std::span<std::uint8_t> out, int& error) {
    const int length = static_cast<int>(std::min<std::size_t>(out.size(), 0x7FFFFFFF));
    const int result = recv(Native(socket), reinterpret_cast<char*>(out.data()), length, 0);
    if (result == SOCKET_ERROR) {
        error = WSAGetLastError();
        return -1;
    }
    return result;
}

int Send(Socket socket, std::span<const std::uint8_t> bytes, int& error) {
    // Winsock raises no signal for a closed peer; the send just fails.
    const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), 0x7FFFFFFF));
    const int result = send(Native(socket), reinterpret_cast<const char*>(bytes.data()), length, 0);
    if (result == SOCKET_ERROR) {
        error = WSAGetLastError();
        return -1;
    }
    return result;
}

void Shutdown(Socket socket) {
    if (socket >= 0) {
        shutdown(Native(socket), SD_BOTH);
    }
}

void ShutdownAndClose(Socket socket) {
    if (socket >= 0) {
        shutdown(Native(socket), SD_BOTH);
        closesocket(Native(socket));
    }
}

int CreateWake() {
    // select() waits on sockets only, so the wake-up is a datagram socket on the loopback
    // interface connected to itself: a byte sent to it makes it readable, and as nobody reads
    // it, it stays readable.
    if (StartWinsock() != 0) {
        return -1;
    }
    const SOCKET wake =
        WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (wake == INVALID_SOCKET) {
        return -1;
    }
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof self;
    if (bind(wake, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        getsockname(wake, reinterpret_cast<sockaddr*>(&self), &length) != 0 ||
        connect(wake, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        !SetNonBlocking(wake, true)) {
        closesocket(wake);
        return -1;
    }
    return Narrow(wake);
}

void SignalWake(int wake) {
    if (wake >= 0) {
        const char byte = 1;
        send(Native(wake), &byte, 1, 0);
    }
}

void CloseWake(int wake) {
    if (wake >= 0) {
        closesocket(Native(wake));
    }
}

} // namespace va48::lan_backend
