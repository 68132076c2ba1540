#include "transport/serial_channel.h"

#include "transport/receive_ring.h"
#include "transport/serial_backend.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace va48 {

namespace {

using serial_backend::Clock;
using serial_backend::LineParams;
using serial_backend::OsError;
using serial_backend::Readiness;
using serial_backend::SerialDevice;

constexpr std::array<std::uint32_t, 15> kAcceptedRates = {
    110,   300,   600,   1200,  2400,   4800,   9600,   14400,
    19200, 38400, 56000, 57600, 115200, 128000, 256000,
};

// How long the receive loop pauses while the device stays faulty (hung up, ring full), so that a
// fault that does not clear can never make it spin.
constexpr std::chrono::milliseconds kBackOff{10};

// The most bytes one receive step reads: the ring's whole capacity.
constexpr std::size_t kReadChunk = ReceiveRing::kDefaultCapacity;

struct ParitySetting {
    bool check = false;
    int kind = 0;
};

// What the setters stored for a port. An empty value was never stored and takes its default.
struct LineSettings {
    std::optional<std::uint32_t> baudRate;
    std::optional<int> byteSize;
    std::optional<ParitySetting> parity;
    std::optional<int> stopBits;
};

// Free: the record holds no open port. Configured: opened, or asked to stop. Running: the
// receive thread runs.
enum class PortState { Free = 0, Configured = 1, Running = 2 };

// One lock for every port: it serialises each receive thread's status-and-read step with every
// send. Defined before the port table, so it is still there while the table is torn down.
std::mutex comReadLock;

// The live state of an open port. The table holds it by shared_ptr and every operation works on
// its own copy, so a close on another thread can never free it under a running operation.
struct OpenPort {
    OpenPort(std::unique_ptr<SerialDevice> openedDevice, std::unique_ptr<ReceiveRing> receiveRing,
             const LineParams& appliedLine, AutoResetEvent* receive, AutoResetEvent* error)
        : device(std::move(openedDevice)), ring(std::move(receiveRing)), line(appliedLine),
          handle(device->Handle()), receiveEvent(receive), errorEvent(error) {}
    OpenPort(const OpenPort&) = delete;
    OpenPort& operator=(const OpenPort&) = delete;
    ~OpenPort() { Stop(); }

    // Asks the receive thread to end, wakes it and waits for it.
    void Stop() {
        state.store(PortState::Configured);
        device->Wake();
        if (thread.joinable()) {
            thread.join();
        }
    }

    const std::unique_ptr<SerialDevice> device;
    const std::unique_ptr<ReceiveRing> ring;
    const LineParams line;
    const ConnectionHandle handle;
    AutoResetEvent* const receiveEvent; // owned by the caller of SerialOpen
    AutoResetEvent* const errorEvent;
    std::atomic<PortState> state{PortState::Configured};
    std::thread thread;
    std::mutex errorLock;
    OsError lastError; // guarded by errorLock
    // The code of a lasting failure to read the device's status or input, as when the device
    // vanished; 0 while the device answers. Sends are refused meanwhile.
    std::atomic<int> linkFault{0};
};

struct PortRecord {
    LineSettings settings;
    std::string node;     // the bound device node; empty: the port's default node
    bool opening = false; // an open is under way outside the table lock
    std::shared_ptr<OpenPort> open;
};

struct PortTable {
    std::mutex lock;
    std::array<PortRecord, kSerialPortCount> records;
};

PortTable& Table() {
    static PortTable table;
    return table;
}

bool ValidPort(int port) {
    return port >= 1 && port <= kSerialPortCount;
}

PortRecord& RecordOf(PortTable& table, int port) {
    return table.records[static_cast<std::size_t>(port - 1)];
}

std::string NodeOf(int port, const PortRecord& record) {
    return record.node.empty() ? serial_backend::DefaultDeviceNode(port) : record.node;
}

bool Busy(const PortRecord& record) {
    return record.opening || record.open != nullptr;
}

template <typename Store>
bool StoreSetting(int port, bool valid, Store store) {
    if (!ValidPort(port) || !valid) {
        return false;
    }
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    store(RecordOf(table, port).settings);
    return true;
}

std::shared_ptr<OpenPort> FindOpenPort(ConnectionHandle handle) {
    if (handle == 0 || handle == kNoConnection) {
        return nullptr;
    }
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    for (const PortRecord& record : table.records) {
        if (record.open && record.open->handle == handle) {
            return record.open;
        }
    }
    return nullptr;
}

void Store(OpenPort& port, OsError error) {
    const std::lock_guard lock(port.errorLock);
    port.lastError = error;
}

void Report(OpenPort& port, OsError error) {
    Store(port, error);
    if (port.errorEvent != nullptr) {
        port.errorEvent->Set();
    }
}

// A fault that keeps the device from being read: the link cannot carry a request while it lasts.
bool CutsTheLink(const OsError& fault) {
    return fault.code == kSerialLineError || fault.code == kSerialReadFailed;
}

// The stored settings are applied over the defaults one at a time in this order, each step
// writing the whole setup; the first step the device refuses ends the sequence.
using ConfigureStep = void (*)(const LineSettings&, LineParams&);
constexpr std::array<ConfigureStep, 4> kConfigureSteps = {
    [](const LineSettings& stored, LineParams& line) {
        line.baudRate = stored.baudRate.value_or(line.baudRate);
    },
    [](const LineSettings& stored, LineParams& line) {
        line.byteSize = stored.byteSize.value_or(line.byteSize);
    },
    [](const LineSettings& stored, LineParams& line) {
        if (stored.parity) {
            line.parityCheck = stored.parity->check;
            line.parityKind = stored.parity->kind;
        }
    },
    [](const LineSettings& stored, LineParams& line) {
        line.stopBits = stored.stopBits.value_or(line.stopBits);
    },
};

OsError ConfigureLine(SerialDevice& device, const LineSettings& stored, LineParams& line) {
    line = LineParams{};
    for (const ConfigureStep step : kConfigureSteps) {
        step(stored, line);
        if (const OsError error = device.Configure(line); error.Failed()) {
            return error;
        }
    }
    return {};
}

struct OpenRequest {
    std::string node;
    LineSettings settings;
};

// Marks the port as being opened and copies what the open needs; nullopt when the port is
// already open or being opened.
std::optional<OpenRequest> ReserveForOpen(int port) {
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    PortRecord& record = RecordOf(table, port);
    if (Busy(record)) {
        return std::nullopt;
    }
    record.opening = true;
    return OpenRequest{NodeOf(port, record), record.settings};
}

void FinishOpen(int port, std::shared_ptr<OpenPort> opened) {
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    PortRecord& record = RecordOf(table, port);
    record.opening = false;
    record.open = std::move(opened);
}

std::shared_ptr<OpenPort> TakeOpenPort(ConnectionHandle handle) {
    if (handle == 0 || handle == kNoConnection) {
        return nullptr;
    }
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    for (PortRecord& record : table.records) {
        if (record.open && record.open->handle == handle) {
            return std::exchange(record.open, nullptr);
        }
    }
    return nullptr;
}

// What one status-and-read step of the receive loop found.
struct StepResult {
    OsError fault;          // a condition that stops reading: status, read failure, ring full
    bool lineError = false; // the line reported an error; reading went on
    std::size_t moved = 0;  // bytes put into the ring
};

StepResult ReceiveStep(OpenPort& port, bool hangUp) {
    const serial_backend::LineStatus status = port.device->ReadStatus();
    if (status.error.Failed()) {
        return {.fault = status.error};
    }
    StepResult result{.fault = {}, .lineError = status.lineError};
    if (status.queued == 0 && !hangUp) {
        return result;
    }
    const std::uint32_t room = port.ring->FreeCount();
    if (room == 0) {
        result.fault = {kSerialRingFull, 0};
        return result;
    }
    // After a hang-up one read is made even with nothing queued: its failure says what happened.
    const std::size_t wanted =
        std::clamp<std::size_t>(std::min(status.queued, room), 1, kReadChunk);
    std::array<std::uint8_t, kReadChunk> buffer{};
    const serial_backend::ReadResult read = port.device->Read(std::span(buffer).first(wanted));
    if (read.error.Failed()) {
        result.fault = read.error;
        return result;
    }
    const std::uint32_t put = port.ring->Put(std::span(buffer).first(read.count));
    if (put < read.count && port.ring->Full()) {
        result.fault = {kSerialRingFull, 0};
    }
    result.moved = read.count;
    return result;
}

bool SameFault(const OsError& a, const OsError& b) {
    return a.code == b.code && a.systemError == b.systemError;
}

// The receive thread. It sleeps in the device wait until input arrives, the device hangs up or
// close wakes it. A lasting fault (a vanished device, a full ring) is reported once when it
// appears and the loop then re-checks every kBackOff instead of waiting on a device that stays
// ready; a clean step re-arms the report. Line errors are reported each time they are counted.
void ReceiveLoop(OpenPort& port) {
    OsError lasting;
    bool backOff = false;
    while (port.state.load() == PortState::Running) {
        const Readiness ready =
            backOff ? port.device->Pause(kBackOff) : port.device->WaitForInput();
        if (ready == Readiness::Woken) {
            continue;
        }
        StepResult step;
        {
            const std::lock_guard lock(comReadLock);
            if (port.state.load() != PortState::Running) {
                break;
            }
            step = ReceiveStep(port, ready == Readiness::HangUp);
        }
        if (step.lineError) {
            Report(port, {kSerialLineError, 0});
        }
        if (step.moved > 0 && port.receiveEvent != nullptr) {
            port.receiveEvent->Set();
        }
        port.linkFault.store(CutsTheLink(step.fault) ? step.fault.code : 0);
        if (step.fault.Failed() && !SameFault(step.fault, lasting)) {
            Report(port, step.fault);
        }
        lasting = step.fault;
        // A device that said it was ready but gave nothing must not be waited on again at once.
        backOff = step.fault.Failed() || (ready != Readiness::TimedOut && step.moved == 0);
    }
}

std::shared_ptr<OpenPort> StartPort(const OpenRequest& request, AutoResetEvent* receiveEvent,
                                    AutoResetEvent* errorEvent) {
    serial_backend::OpenResult opened = serial_backend::OpenSerialDevice(request.node);
    if (!opened.device) {
        return nullptr;
    }
    LineParams line;
    if (ConfigureLine(*opened.device, request.settings, line).Failed() ||
        opened.device->Purge().Failed()) {
        return nullptr;
    }
    std::unique_ptr<ReceiveRing> ring = ReceiveRing::Create(ReceiveRing::kDefaultCapacity);
    if (!ring) {
        return nullptr;
    }
    try {
        auto port = std::make_shared<OpenPort>(std::move(opened.device), std::move(ring), line,
                                               receiveEvent, errorEvent);
        port->state.store(PortState::Running);
        port->thread = std::thread(ReceiveLoop, std::ref(*port));
        return port;
    } catch (const std::exception&) { // out of memory, or no thread could be started
        return nullptr;
    }
}

// Twice the time the bytes need on the line (start bit, data bits, parity bit, up to two stop
// bits), plus a second for the driver: long enough for any healthy line, short enough that a
// stuck one cannot hold the port lock for long.
std::chrono::milliseconds SendTimeLimit(std::size_t count, const LineParams& line) {
    const std::uint64_t bitsPerByte =
        1 + static_cast<std::uint64_t>(line.byteSize) + (line.parityKind != 0 ? 1 : 0) + 2;
    const std::uint64_t lineMs = count * bitsPerByte * 1000 / std::max(line.baudRate, 1u);
    return std::chrono::milliseconds(1000 + 2 * lineMs);
}

} // namespace

bool SetSerialBaudRate(int port, std::uint32_t rate) {
    const bool valid = std::ranges::find(kAcceptedRates, rate) != kAcceptedRates.end();
    return StoreSetting(port, valid, [rate](LineSettings& s) { s.baudRate = rate; });
}

bool SetSerialByteSize(int port, int size) {
    return StoreSetting(port, size >= 5 && size <= 8,
                        [size](LineSettings& s) { s.byteSize = size; });
}

bool SetSerialParity(int port, bool enable, int kind) {
    return StoreSetting(port, kind >= 0 && kind <= 4, [enable, kind](LineSettings& s) {
        s.parity = ParitySetting{enable, kind};
    });
}

bool SetSerialStopBits(int port, int code) {
    return StoreSetting(port, code >= 0 && code <= 2,
                        [code](LineSettings& s) { s.stopBits = code; });
}

std::string SerialPortDevice(int port) {
    if (!ValidPort(port)) {
        return {};
    }
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    return NodeOf(port, RecordOf(table, port));
}

int BindSerialPortDevice(const std::string& node) {
    if (node.empty()) {
        return 0;
    }
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    for (int port = 1; port <= kSerialPortCount; ++port) {
        if (RecordOf(table, port).node == node) {
            return port;
        }
    }
    for (int port = kSerialPortCount; port >= 1; --port) {
        PortRecord& record = RecordOf(table, port);
        if (record.node.empty() && !Busy(record)) {
            record.node = node;
            return port;
        }
    }
    return 0;
}

bool SetSerialPortDevice(int port, const std::string& node) {
    if (!ValidPort(port)) {
        return false;
    }
    PortTable& table = Table();
    const std::lock_guard lock(table.lock);
    RecordOf(table, port).node = node;
    return true;
}

ConnectionHandle SerialOpen(int port, AutoResetEvent* receiveEvent, AutoResetEvent* errorEvent) {
    if (!ValidPort(port)) {
        return kNoConnection;
    }
    const std::optional<OpenRequest> request = ReserveForOpen(port);
    if (!request) {
        return kNoConnection;
    }
    std::shared_ptr<OpenPort> opened = StartPort(*request, receiveEvent, errorEvent);
    const ConnectionHandle handle = opened ? opened->handle : kNoConnection;
    FinishOpen(port, std::move(opened));
    return handle;
}

bool SerialClose(ConnectionHandle handle) {
    const std::shared_ptr<OpenPort> port = TakeOpenPort(handle);
    if (!port) {
        return false;
    }
    port->Stop();
    // The device closes and the ring is freed when the last user lets go: here, unless another
    // thread is still inside an operation on the port, which Stop() has cut short.
    return true;
}

int SerialReceiveFrame(ConnectionHandle handle, std::span<const std::uint8_t> startMarker,
                       std::span<const std::uint8_t> endMarker, std::span<std::uint8_t> out,
                       std::uint16_t gap) {
    const std::shared_ptr<OpenPort> port = FindOpenPort(handle);
    return port ? port->ring->ExtractFrame(out, startMarker, endMarker, gap) : 0;
}

int SerialSend(ConnectionHandle handle, std::span<const std::uint8_t> bytes) {
    const std::shared_ptr<OpenPort> port = FindOpenPort(handle);
    if (!port || bytes.empty()) {
        return 0;
    }
    if (port->linkFault.load() != 0) {
        return 0;
    }
    // A failure is stored with its system error, as the receive thread stores its own, but not
    // signalled: the caller learns of it from the count returned.
    const std::lock_guard lock(comReadLock);
    const serial_backend::LineStatus status = port->device->ReadStatus();
    if (status.error.Failed()) {
        Store(*port, status.error);
        return 0;
    }
    if (status.lineError) {
        Store(*port, {kSerialLineError, 0});
        return 0;
    }
    const Clock::time_point deadline = Clock::now() + SendTimeLimit(bytes.size(), port->line);
    const serial_backend::WriteResult written = port->device->Write(bytes, deadline);
    if (written.count < bytes.size() && port->state.load() == PortState::Running) { // not closed
        Store(*port, {kSerialWriteFailed, written.systemError});
    }
    if (written.count == bytes.size()) {
        port->device->Drain(deadline);
    }
    return static_cast<int>(std::min<std::size_t>(written.count, INT_MAX));
}

int SerialLastError(ConnectionHandle handle) {
    const std::shared_ptr<OpenPort> port = FindOpenPort(handle);
    if (!port) {
        return 0;
    }
    const std::lock_guard lock(port->errorLock);
    return port->lastError.code;
}

int SerialSystemError(ConnectionHandle handle) {
    const std::shared_ptr<OpenPort> port = FindOpenPort(handle);
    if (!port) {
        return 0;
    }
    const std::lock_guard lock(port->errorLock);
    return port->lastError.systemError;
}

int SerialLinkFault(ConnectionHandle handle) {
    const std::shared_ptr<OpenPort> port = FindOpenPort(handle);
    return port ? port->linkFault.load() : 0;
}

int SerialDiscardInput(ConnectionHandle handle) {
    const std::shared_ptr<OpenPort> port = FindOpenPort(handle);
    return port ? static_cast<int>(port->ring->Discard()) : 0;
}

} // namespace va48
