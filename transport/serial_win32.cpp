// The serial device on Windows: a communications file handle opened for overlapped I/O, set up
// through a DCB. Reads never wait in the driver (the receive loop waits in WaitCommEvent and
// reads what is queued), and every wait also watches a manual-reset event that Wake() sets.

#include "transport/serial_backend.h"
#include "transport/serial_channel.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>

namespace va48::serial_backend {

namespace {

// The calls whose failure the channel reports, and the code each one stands for. Every OS error
// becomes a channel code here and nowhere else.
enum class Call { Open, Configure, Status, Read };

OsError ChannelError(Call call, DWORD systemError) {
    const int error = static_cast<int>(systemError);
    switch (call) {
    case Call::Open:
        return {kSerialOpenFailed, error};
    case Call::Configure:
        return {kSerialConfigureFailed, error};
    case Call::Status:
        return {kSerialLineError, error};
    case Call::Read:
        return {kSerialReadFailed, error};
    }
    return {kSerialReadFailed, error};
}

constexpr DWORD kLineErrors = CE_FRAME | CE_OVERRUN | CE_RXPARITY | CE_BREAK | CE_RXOVER;

DWORD RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60'000));
}

// "COM12" names a device only through the "\\.\" prefix once the number passes 9; the prefix
// works for every number, so it is always used. A node that already names a device path is kept.
std::wstring DevicePath(const std::string& node) {
    std::string path = node.starts_with("\\\\.\\") ? node : "\\\\.\\" + node;
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                        length);
    return wide;
}

class UniqueHandle {
  public:
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() {
        if (Valid()) {
            CloseHandle(handle_);
        }
    }
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }

  private:
    HANDLE handle_;
};

HANDLE NewManualResetEvent() {
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// One overlapped operation slot with its own completion event. Each thread of the channel uses
// its own slot: the receive thread for WaitCommEvent, the port lock's holder for read and write.
struct Overlapped {
    OVERLAPPED ov{};
    UniqueHandle event{NewManualResetEvent()};
    OVERLAPPED* Arm() {
        ov = OVERLAPPED{};
        ov.hEvent = event.Get();
        ResetEvent(event.Get());
        return &ov;
    }
};

class Win32SerialDevice final : public SerialDevice {
  public:
    explicit Win32SerialDevice(HANDLE device) : device_(device) {}

    ~Win32SerialDevice() override {
        CancelIoEx(device_.Get(), nullptr);
        for (Overlapped* slot : {&waitSlot_, &readSlot_, &writeSlot_}) {
            DWORD ignored = 0;
            GetOverlappedResult(device_.Get(), &slot->ov, &ignored, TRUE);
        }
    }

    bool Ready() const {
        return wake_.Valid() && waitSlot_.event.Valid() && readSlot_.event.Valid() &&
               writeSlot_.event.Valid();
    }

    std::int32_t Handle() const override {
        // Kernel handle values fit 32 bits and are multiples of four, so never 0..2 or -1.
        return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(device_.Get()));
    }

    OsError Configure(const LineParams& line) override;
    OsError Purge() override;
    LineStatus ReadStatus() override;
    ReadResult Read(std::span<std::uint8_t> out) override;
    WriteResult Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override;
    bool Drain(Clock::time_point deadline) override;
    Readiness WaitForInput() override;
    Readiness Pause(std::chrono::milliseconds pause) override;
    void Wake() override { SetEvent(wake_.Get()); }

    // Sets the time-outs and the event mask that the waits rely on; 0 or the system error.
    DWORD Prepare();

  private:
    // Waits for the pending operation in `slot` or a wake-up for at most `ms`. A wake-up or a
    // time-out cancels the operation and waits for it to end, so the slot is free afterwards.
    // Returns WAIT_OBJECT_0 when the operation completed, else WAIT_OBJECT_0 + 1 (woken) or
    // WAIT_TIMEOUT.
    DWORD AwaitOrCancel(Overlapped& slot, DWORD ms);

    UniqueHandle device_;
    UniqueHandle wake_{NewManualResetEvent()};
    Overlapped waitSlot_;
    Overlapped readSlot_;
    Overlapped writeSlot_;
};

DWORD Win32SerialDevice::Prepare() {
    // Reads return at once with whatever is queued; writes have no driver time-out, the channel
    // bounds them itself.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!SetCommTimeouts(device_.Get(), &timeouts) ||
        !SetCommMask(device_.Get(), EV_RXCHAR | EV_ERR | EV_BREAK)) {
        return GetLastError();
    }
    DWORD errors = 0;
    ClearCommError(device_.Get(), &errors, nullptr); // older line errors are not ours
    return 0;
}

DWORD Win32SerialDevice::AwaitOrCancel(Overlapped& slot, DWORD ms) {
    const std::array<HANDLE, 2> handles = {slot.event.Get(), wake_.Get()};
    const DWORD result = WaitForMultipleObjects(2, handles.data(), FALSE, ms);
    if (result == WAIT_OBJECT_0) {
        return result;
    }
    CancelIoEx(device_.Get(), &slot.ov);
    DWORD ignored = 0;
    GetOverlappedResult(device_.Get(), &slot.ov, &ignored, TRUE);
    return result == WAIT_TIMEOUT ? WAIT_TIMEOUT : WAIT_OBJECT_0 + 1;
}

OsError Win32SerialDevice::Configure(const LineParams& line) {
    // The DCB's parity (none, odd, even, mark, space) and stop-bit (1, 1.5, 2) codes are the
    // channel's own. 1.5 stop bits exist only for 5-bit bytes, as on every UART.
    const bool stopBitsPossible = line.stopBits != 1 || line.byteSize == 5;
    if (line.byteSize < 5 || line.byteSize > 8 || line.parityKind < 0 || line.parityKind > 4 ||
        line.stopBits < 0 || line.stopBits > 2 || !stopBitsPossible) {
        return ChannelError(Call::Configure, ERROR_INVALID_PARAMETER);
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(device_.Get(), &dcb)) {
        return ChannelError(Call::Configure, GetLastError());
    }
    dcb.BaudRate = line.baudRate;
    dcb.ByteSize = static_cast<BYTE>(line.byteSize);
    dcb.Parity = static_cast<BYTE>(line.parityKind);
    dcb.StopBits = static_cast<BYTE>(line.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = line.parityCheck ? TRUE : FALSE;
    // Raw bytes both ways: no flow control, no replacement or dropping of bytes, and no abort of
    // pending I/O on a line error (the status read reports it instead).
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(device_.Get(), &dcb)) {
        return ChannelError(Call::Configure, GetLastError());
    }
    // A driver may take a format it cannot run without saying so; it is refused rather than
    // reported as set.
    DCB applied{};
    applied.DCBlength = sizeof applied;
    if (!GetCommState(device_.Get(), &applied)) {
        return ChannelError(Call::Configure, GetLastError());
    }
    if (applied.ByteSize != dcb.ByteSize || applied.Parity != dcb.Parity ||
        applied.StopBits != dcb.StopBits) {
        return ChannelError(Call::Configure, ERROR_INVALID_PARAMETER);
    }
    return {};
}

OsError Win32SerialDevice::Purge() {
    if (!PurgeComm(device_.Get(), PURGE_RXCLEAR | PURGE_TXCLEAR)) {
        return ChannelError(Call::Configure, GetLastError());
    }
    return {};
}

LineStatus Win32SerialDevice::ReadStatus() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(device_.Get(), &errors, &status)) {
        return {.error = ChannelError(Call::Status, GetLastError())};
    }
    return {.error = {}, .queued = status.cbInQue, .lineError = (errors & kLineErrors) != 0};
}

ReadResult Win32SerialDevice::Read(std::span<std::uint8_t> out) {
    DWORD count = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(out.size(), MAXDWORD));
    // With the read time-outs set, the read completes at once even when it reports pending.
    if (!ReadFile(device_.Get(), out.data(), wanted, nullptr, readSlot_.Arm()) &&
        GetLastError() != ERROR_IO_PENDING) {
        return {.error = ChannelError(Call::Read, GetLastError())};
    }
    if (!GetOverlappedResult(device_.Get(), &readSlot_.ov, &count, TRUE)) {
        return {.error = ChannelError(Call::Read, GetLastError())};
    }
    return {.count = count, .error = {}};
}

WriteResult Win32SerialDevice::Write(std::span<const std::uint8_t> bytes,
                                     Clock::time_point deadline) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, MAXDWORD));
        if (!WriteFile(device_.Get(), bytes.data() + written, chunk, nullptr, writeSlot_.Arm()) &&
            GetLastError() != ERROR_IO_PENDING) {
            return {written, static_cast<int>(GetLastError())};
        }
        const DWORD waited = AwaitOrCancel(writeSlot_, RemainingMs(deadline));
        DWORD count = 0;
        const bool completed = GetOverlappedResult(device_.Get(), &writeSlot_.ov, &count, TRUE);
        const DWORD error = completed ? 0 : GetLastError();
        written += count;
        if (waited == WAIT_OBJECT_0 + 1) {
            return {written, ERROR_OPERATION_ABORTED};
        }
        if (waited == WAIT_TIMEOUT) {
            return {written, ERROR_TIMEOUT};
        }
        if (!completed) {
            return {written, static_cast<int>(error)};
        }
        if (count == 0 && RemainingMs(deadline) == 0) {
            return {written, ERROR_TIMEOUT};
        }
    }
    return {written, 0};
}

bool Win32SerialDevice::Drain(Clock::time_point deadline) {
    // Looking at the output queue in small steps keeps the wait bounded and lets close end it;
    // FlushFileBuffers would wait without either.
    constexpr DWORD kStepMs = 2;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(device_.Get(), &errors, &status)) {
            return false;
        }
        if (status.cbOutQue == 0) {
            return true;
        }
        const DWORD left = RemainingMs(deadline);
        if (left == 0 ||
            WaitForSingleObject(wake_.Get(), std::min(left, kStepMs)) == WAIT_OBJECT_0) {
            return false;
        }
    }
}

Readiness Win32SerialDevice::WaitForInput() {
    // The driver keeps the events that came while no wait was pending, so an event may stand
    // for bytes that an earlier read already took. Such a wait goes round again instead of
    // reporting input that is not there, which would make the receive loop back off while a
    // reply is on its way. A driver that keeps raising events for nothing is handed to the
    // loop's back-off after a bounded number of rounds.
    constexpr int kEmptyEventRounds = 64;
    for (int round = 0; round < kEmptyEventRounds; ++round) {
        if (WaitForSingleObject(wake_.Get(), 0) == WAIT_OBJECT_0) {
            return Readiness::Woken;
        }
        // Bytes left over from the last read raise no new event: look at the queue first.
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(device_.Get(), &errors, &status)) {
            return Readiness::HangUp;
        }
        if (status.cbInQue > 0 || (errors & kLineErrors) != 0) {
            return Readiness::Input;
        }
        DWORD events = 0;
        if (!WaitCommEvent(device_.Get(), &events, waitSlot_.Arm())) {
            if (GetLastError() != ERROR_IO_PENDING) {
                return Readiness::HangUp; // the status read that follows says what is wrong
            }
            if (AwaitOrCancel(waitSlot_, INFINITE) != WAIT_OBJECT_0) {
                return Readiness::Woken;
            }
            DWORD ignored = 0;
            if (!GetOverlappedResult(device_.Get(), &waitSlot_.ov, &ignored, FALSE)) {
                return Readiness::HangUp;
            }
        }
        if ((events & (EV_ERR | EV_BREAK)) != 0) {
            return Readiness::Input; // the status read reports the line error
        }
    }
    return Readiness::Input;
}

Readiness Win32SerialDevice::Pause(std::chrono::milliseconds pause) {
    const DWORD ms =
        static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(pause.count(), 0, 60'000));
    return WaitForSingleObject(wake_.Get(), ms) == WAIT_OBJECT_0 ? Readiness::Woken
                                                                 : Readiness::TimedOut;
}

} // namespace

std::string DefaultDeviceNode(int port) {
    return "COM" + std::to_string(port);
}

OpenResult OpenSerialDevice(const std::string& node) {
    const auto failed = [](DWORD error) {
        return OpenResult{nullptr, ChannelError(Call::Open, error)};
    };
    if (node.empty()) {
        return failed(ERROR_FILE_NOT_FOUND);
    }
    // No sharing: a port that another process or another port of this one holds is refused
    // (ERROR_ACCESS_DENIED), which is what exclusive use means on Windows.
    UniqueHandle device(CreateFileW(DevicePath(node).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!device.Valid()) {
        return failed(GetLastError());
    }
    // A file or pipe opens too but is no communications device.
    if (GetFileType(device.Get()) != FILE_TYPE_CHAR) {
        return failed(ERROR_INVALID_HANDLE);
    }
    std::unique_ptr<Win32SerialDevice> serial(new (std::nothrow) Win32SerialDevice(device.Get()));
    if (!serial) {
        return failed(ERROR_NOT_ENOUGH_MEMORY);
    }
    device.Release();
    if (!serial->Ready()) {
        return failed(GetLastError());
    }
    if (const DWORD error = serial->Prepare(); error != 0) {
        return failed(error);
    }
    return {std::move(serial), {}};
}

} // namespace va48::serial_backend
