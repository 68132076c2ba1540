// The simulator's link, standard input and stop request on Windows. select() waits on sockets
// only, so standard input is read by a thread of its own and the console's stop events come from
// SetConsoleCtrlHandler; both wake the wait through a loopback datagram socket that sends to
// itself.

#include "sim/link_io.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace va48sim::io {

namespace {

SOCKET gWake = INVALID_SOCKET;
std::atomic<bool> gStopRequested{false};

// What the standard-input thread has read and the loop has not taken yet.
struct StdinQueue {
    std::mutex lock;
    std::string bytes;
    bool ended = false;
};

StdinQueue& Stdin() {
    static StdinQueue queue;
    return queue;
}

std::string WinsockError(const char* what) {
    return std::string(what) + ": Winsock error " + std::to_string(WSAGetLastError());
}

SOCKET Native(Handle handle) {
    return static_cast<SOCKET>(handle);
}

void Poke() {
    const char byte = 1;
    send(gWake, &byte, 1, 0);
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        gStopRequested = true;
        Poke();
        return TRUE;
    default:
        return FALSE;
    }
}

void ReadStdinForever(HANDLE input) {
    char buffer[1024];
    for (;;) {
        DWORD count = 0;
        const bool ok = ReadFile(input, buffer, sizeof buffer, &count, nullptr) != 0;
        {
            const std::lock_guard lock(Stdin().lock);
            if (ok && count > 0) {
                Stdin().bytes.append(buffer, count);
            } else {
                Stdin().ended = true; // end of file, a broken pipe, or no input at all
            }
        }
        Poke();
        if (!ok || count == 0) {
            return;
        }
    }
}

bool SetNonBlocking(SOCKET socket) {
    u_long on = 1;
    return ioctlsocket(socket, FIONBIO, &on) == 0;
}

long Transferred(int count) {
    if (count != SOCKET_ERROR) {
        return count;
    }
    return WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kFailed;
}

void DrainWake() {
    char buffer[64];
    while (recv(gWake, buffer, sizeof buffer, 0) > 0) {
    }
}

} // namespace

std::string Start() {
    WSADATA data{};
    if (const int error = WSAStartup(MAKEWORD(2, 2), &data); error != 0) {
        return "WSAStartup: error " + std::to_string(error);
    }
    // The lines go to programs that split them at "\n"; text mode would add "\r".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    gWake = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (gWake == INVALID_SOCKET) {
        return WinsockError("wake-up socket");
    }
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof self;
    if (bind(gWake, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        getsockname(gWake, reinterpret_cast<sockaddr*>(&self), &length) != 0 ||
        connect(gWake, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        !SetNonBlocking(gWake)) {
        return WinsockError("wake-up socket");
    }
    if (!SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
        return "SetConsoleCtrlHandler: error " + std::to_string(GetLastError());
    }
    // The thread blocks in ReadFile for the whole run and ends with the process.
    std::thread(ReadStdinForever, GetStdHandle(STD_INPUT_HANDLE)).detach();
    return {};
}

std::string OpenPty(Handle&, Handle&, std::string&) {
    return "pseudo-terminals do not exist on Windows; serve TCP (--port) instead";
}

std::string OpenListener(std::uint16_t port, Handle& listener, std::uint16_t& boundPort) {
    const SOCKET socket =
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        return WinsockError("socket");
    }
    listener = static_cast<Handle>(socket);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Without this another program could bind the same port and take the connections.
    const BOOL yes = TRUE;
    setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
               sizeof yes);
    if (bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return WinsockError("bind");
    }
    if (listen(socket, 4) != 0) {
        return WinsockError("listen");
    }
    int length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return WinsockError("getsockname");
    }
    boundPort = ntohs(address.sin_port);
    return {};
}

Handle Accept(Handle listener) {
    const SOCKET socket = accept(Native(listener), nullptr, nullptr);
    if (socket == INVALID_SOCKET) {
        return kNone;
    }
    const BOOL yes = TRUE;
    if (!SetNonBlocking(socket) ||
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes),
                   sizeof yes) != 0) {
        closesocket(socket);
        return kNone;
    }
    return static_cast<Handle>(socket);
}

long ReadLink(Handle link, std::span<char> out) {
    const int length = static_cast<int>(std::min<std::size_t>(out.size(), 1 << 20));
    return Transferred(recv(Native(link), out.data(), length, 0));
}

long WriteLink(Handle link, std::string_view bytes) {
    const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    return Transferred(send(Native(link), bytes.data(), length, 0));
}

long ReadStdin(std::span<char> out) {
    const std::lock_guard lock(Stdin().lock);
    std::string& bytes = Stdin().bytes;
    if (bytes.empty()) {
        return Stdin().ended ? 0 : kWouldBlock;
    }
    const std::size_t count = std::min(out.size(), bytes.size());
    std::copy_n(bytes.begin(), count, out.begin());
    bytes.erase(0, count);
    return static_cast<long>(count);
}

void Close(Handle& handle) {
    if (handle != kNone) {
        closesocket(Native(handle));
        handle = kNone;
    }
}

bool Wait(const WaitSet& set, Ready& ready, std::string& error) {
    ready = Ready{};
    const auto stdinWaiting = [&set] {
        const std::lock_guard lock(Stdin().lock);
        return set.stdinOpen && (!Stdin().bytes.empty() || Stdin().ended);
    };
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(gWake, &readable);
    if (set.listener != kNone) {
        FD_SET(Native(set.listener), &readable);
    }
    if (set.link != kNone) {
        FD_SET(Native(set.link), &readable);
        FD_SET(Native(set.link), &failed);
        if (set.linkOutput) {
            FD_SET(Native(set.link), &writable);
        }
    }
    // What the wake-up already announced must not wait for the next one.
    const bool pending = gStopRequested || stdinWaiting();
    timeval limit{};
    if (!pending && set.timeoutMs >= 0) {
        limit = {set.timeoutMs / 1000, (set.timeoutMs % 1000) * 1000};
    }
    timeval* const timeout = pending || set.timeoutMs >= 0 ? &limit : nullptr;
    if (select(0, &readable, &writable, &failed, timeout) == SOCKET_ERROR) {
        error = WinsockError("select");
        return false;
    }
    if (FD_ISSET(gWake, &readable)) {
        DrainWake();
    }
    ready.stop = gStopRequested;
    ready.stdinInput = stdinWaiting();
    ready.connection = set.listener != kNone && FD_ISSET(Native(set.listener), &readable);
    if (set.link != kNone) {
        ready.linkInput =
            FD_ISSET(Native(set.link), &readable) || FD_ISSET(Native(set.link), &failed);
        ready.linkOutput = FD_ISSET(Native(set.link), &writable);
    }
    return true;
}

} // namespace va48sim::io
