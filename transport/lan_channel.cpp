#include "transport/lan_channel.h"

#include "transport/lan_backend.h"
#include "transport/receive_ring.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace va48 {

namespace {

namespace os = lan_backend;

constexpr int kRunning = 2;
constexpr int kStopRequested = 1;

// One open connection. Operations hold a shared reference while they run, so closing the
// connection never frees or reuses the socket under a caller: the descriptor is only closed when
// the last reference goes.
struct LanConnection {
    std::atomic<int> state{kRunning};
    os::Socket socket = os::kNoSocket;
    int wake = -1;
    std::thread thread;
    AutoResetEvent* receiveEvent = nullptr;
    AutoResetEvent* errorEvent = nullptr;
    std::unique_ptr<ReceiveRing> ring;
    LanTiming timing;
    std::atomic<int> errorCode{0};
    std::atomic<int> systemError{0};
    // The code that ended the receive thread (the peer closed the link, a receive or wait
    // failed); 0 while the link works. It stays, so that the next job learns of the loss at once
    // rather than waiting out its reply time-out on a link that will never answer.
    std::atomic<int> linkFault{0};

    ~LanConnection() {
        Stop();
        os::ShutdownAndClose(socket);
        os::CloseWake(wake);
    }

    void Stop() {
        state = kStopRequested;
        os::SignalWake(wake);
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) {
            thread.join();
        }
    }

    void Report(int code, int error) {
        systemError = error;
        errorCode = code;
        if (errorEvent) {
            errorEvent->Set();
        }
    }

    // Reports a fault that ends the link, unless the link is being closed here: a local close
    // wakes the receive thread too, and that is no fault of the link.
    void ReportLinkEnd(int code, int error) {
        if (state != kRunning) {
            return;
        }
        linkFault = code;
        Report(code, error);
    }
};

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::array<std::shared_ptr<LanConnection>, kLanConnectionCount>& Table() {
    static std::array<std::shared_ptr<LanConnection>, kLanConnectionCount> table;
    return table;
}

std::shared_ptr<LanConnection> Find(ConnectionHandle handle) {
    if (handle == 0 || handle == kNoConnection) {
        return nullptr;
    }
    const std::lock_guard lock(TableLock());
    for (const auto& connection : Table()) {
        if (connection && connection->socket == handle) {
            return connection;
        }
    }
    return nullptr;
}

std::chrono::microseconds CheckTime(std::int32_t seconds, std::int32_t microseconds) {
    return std::chrono::seconds(seconds) + std::chrono::microseconds(microseconds);
}

// Waits for readiness in up to checks + 1 checks of `time` each.
os::Readiness WaitReady(os::Socket socket, bool forWrite, std::int32_t checks,
                        std::chrono::microseconds time, int wake, int& error) {
    if (checks < 0) {
        return os::Readiness::NotReady;
    }
    os::Readiness result = os::Readiness::NotReady;
    for (std::int32_t check = 0; check <= checks; ++check) {
        result = os::WaitReady(socket, forWrite, time, wake, error);
        if (result != os::Readiness::NotReady) {
            break;
        }
    }
    return result;
}

os::Socket Connect(const std::array<std::uint8_t, 4>& address, std::uint16_t port,
                   const LanTiming& timing) {
    if (timing.connectRetries < 0) {
        return os::kNoSocket;
    }
    const auto checkTime = CheckTime(timing.connectWaitSeconds, timing.connectWaitMicroseconds);
    for (std::int32_t attempt = 0; attempt <= timing.connectRetries; ++attempt) {
        int error = 0;
        // A socket whose connect failed is not reused: each attempt starts on a fresh one.
        const os::Socket socket = os::CreateSocket(error);
        if (socket == os::kNoSocket) {
            continue;
        }
        const os::ConnectStart start = os::StartConnect(socket, address, port, error);
        const bool connected = start == os::ConnectStart::Connected ||
                               (start == os::ConnectStart::InProgress &&
                                WaitReady(socket, true, timing.connectWaitChecks, checkTime, -1,
                                          error) == os::Readiness::Ready);
        if (connected && os::MakeBlocking(socket, error)) {
            return socket;
        }
        os::ShutdownAndClose(socket);
    }
    return os::kNoSocket;
}

void ReceiveLoop(LanConnection& c) {
    std::array<std::uint8_t, ReceiveRing::kDefaultCapacity> buffer{};
    const auto checkTime = CheckTime(c.timing.receiveWaitSeconds, c.timing.receiveWaitMicroseconds);
    while (c.state == kRunning) {
        int error = 0;
        const os::Readiness ready =
            WaitReady(c.socket, false, c.timing.receiveWaitChecks, checkTime, c.wake, error);
        if (c.state != kRunning) {
            break;
        }
        if (ready == os::Readiness::Failed) {
            c.ReportLinkEnd(kLanWaitFailed, error);
            break;
        }
        if (ready == os::Readiness::NotReady) {
            continue;
        }
        const std::uint32_t free = c.ring->FreeCount();
        if (free == 0) {
            // The bytes wait in the socket until the reader makes room.
            c.Report(kLanRingFull, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        const int received = os::Receive(
            c.socket, std::span(buffer.data(), std::min<std::size_t>(free, buffer.size())), error);
        if (received == 0) {
            c.ReportLinkEnd(kLanPeerClosed, 0);
            break;
        }
        if (received < 0) {
            c.ReportLinkEnd(kLanReceiveFailed, error);
            break;
        }
        const std::uint32_t put =
            c.ring->Put(std::span(buffer.data(), static_cast<std::size_t>(received)));
        if (put < static_cast<std::uint32_t>(received) && c.ring->Full()) {
            c.Report(kLanRingFull, 0);
        }
        if (c.receiveEvent) {
            c.receiveEvent->Set();
        }
    }
}

} // namespace

LanTiming NormalizedTiming(LanTiming t) {
    const auto orDefault = [](std::int32_t& field, std::int32_t fallback) {
        if (field == 0) {
            field = fallback;
        }
    };
    orDefault(t.connectRetries, 1);
    orDefault(t.connectWaitChecks, 3);
    orDefault(t.connectWaitMicroseconds, 100000);
    orDefault(t.receiveWaitChecks, 1);
    orDefault(t.receiveWaitMicroseconds, 200000);
    return t;
}

ConnectionHandle LanOpen(const LanSettings& settings, AutoResetEvent* receiveEvent,
                         AutoResetEvent* errorEvent) {
    std::array<std::uint8_t, 4> address{};
    if (settings.port == 0 || !os::ParseIpv4(settings.address, address) ||
        address == std::array<std::uint8_t, 4>{255, 255, 255, 255}) {
        return kNoConnection;
    }
    auto connection = std::make_shared<LanConnection>();
    connection->timing = NormalizedTiming(settings.timing);
    connection->socket = Connect(address, settings.port, connection->timing);
    if (connection->socket == os::kNoSocket) {
        return kNoConnection;
    }
    connection->ring = ReceiveRing::Create();
    connection->wake = os::CreateWake();
    connection->receiveEvent = receiveEvent;
    connection->errorEvent = errorEvent;
    if (!connection->ring || connection->wake < 0) {
        return kNoConnection; // the destructor closes the socket
    }
    std::lock_guard lock(TableLock());
    auto& table = Table();
    const auto slot = std::find(table.begin(), table.end(), nullptr);
    if (slot == table.end()) {
        return kNoConnection;
    }
    try {
        connection->thread = std::thread(ReceiveLoop, std::ref(*connection));
    } catch (const std::system_error&) {
        return kNoConnection;
    }
    *slot = connection;
    return connection->socket;
}

bool LanClose(ConnectionHandle handle) {
    std::shared_ptr<LanConnection> connection;
    {
        const std::lock_guard lock(TableLock());
        for (auto& slot : Table()) {
            if (slot && handle != 0 && slot->socket == handle) {
                connection = std::move(slot);
                break;
            }
        }
    }
    if (!connection) {
        return false;
    }
    // Marked stopped before the socket is shut down: the shutdown wakes the receive thread, which
    // must not take it for the peer closing the link. Shutting down wakes anything blocked on the
    // socket; the descriptor itself goes with the last reference.
    connection->state = kStopRequested;
    os::Shutdown(connection->socket);
    connection->Stop();
    return true;
}

int LanReceiveFrame(ConnectionHandle handle, std::span<const std::uint8_t> startMarker,
                    std::span<const std::uint8_t> endMarker, std::span<std::uint8_t> out,
                    std::uint16_t gap) {
    const auto connection = Find(handle);
    if (!connection) {
        return -1;
    }
    return connection->ring->ExtractFrame(out, startMarker, endMarker, gap);
}

int LanSend(ConnectionHandle handle, std::span<const std::uint8_t> bytes) {
    const auto connection = Find(handle);
    if (!connection) {
        return -1;
    }
    if (connection->linkFault != 0) {
        return 0; // a link that has ended would take the bytes and never answer
    }
    const std::size_t length = std::min<std::size_t>(bytes.size(), 0xFFFF);
    std::size_t sent = 0;
    while (sent < length) {
        int error = 0;
        const int result = os::Send(connection->socket, bytes.subspan(sent, length - sent), error);
        if (result <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(result);
    }
    return static_cast<int>(sent);
}

int LanLastError(ConnectionHandle handle) {
    const auto connection = Find(handle);
    return connection ? connection->errorCode.load() : 0;
}

int LanSystemError(ConnectionHandle handle) {
    const auto connection = Find(handle);
    return connection ? connection->systemError.load() : 0;
}

int LanLinkFault(ConnectionHandle handle) {
    const auto connection = Find(handle);
    return connection ? connection->linkFault.load() : 0;
}

int LanDiscardInput(ConnectionHandle handle) {
    const auto connection = Find(handle);
    return connection ? static_cast<int>(connection->ring->Discard()) : 0;
}

} // namespace va48
