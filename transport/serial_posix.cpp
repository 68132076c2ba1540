// The serial device on POSIX terminals (termios), with the Linux additions the channel needs:
// mark/space parity (CMSPAR), line error counters (TIOCGICOUNT) and exact non-standard rates.

#include "transport/serial_backend.h"
#include "transport/serial_channel.h"
#include "transport/serial_rate_linux.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <new>
#include <optional>
#include <thread>
#include <utility>

namespace va48::serial_backend {

namespace {

// The calls whose failure the channel reports, and the code each one stands for. Every OS error
// becomes a channel code here and nowhere else.
enum class Call { Open, Configure, Status, Read };

OsError ChannelError(Call call, int systemError) {
    switch (call) {
    case Call::Open:
        return {kSerialOpenFailed, systemError};
    case Call::Configure:
        return {kSerialConfigureFailed, systemError};
    case Call::Status:
        return {kSerialLineError, systemError};
    case Call::Read:
        return {kSerialReadFailed, systemError};
    }
    return {kSerialReadFailed, systemError};
}

constexpr std::array<std::pair<std::uint32_t, speed_t>, 11> kRateConstants = {{
    {110, B110},
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
}};

std::optional<speed_t> RateConstant(std::uint32_t rate) {
    for (const auto& [bitsPerSecond, constant] : kRateConstants) {
        if (bitsPerSecond == rate) {
            return constant;
        }
    }
    return std::nullopt;
}

constexpr std::array<tcflag_t, 4> kByteSizeFlags = {CS5, CS6, CS7, CS8}; // index: size - 5

// Index: parity kind (none, odd, even, mark, space). With CMSPAR the parity bit is fixed: set
// when PARODD is set (mark), clear otherwise (space).
constexpr std::array<tcflag_t, 5> kParityFlags = {0, PARENB | PARODD, PARENB,
                                                  PARENB | CMSPAR | PARODD, PARENB | CMSPAR};

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60'000));
}

// poll() that resumes after a signal. Returns its result; -1 with errno on failure.
int PollResuming(std::span<pollfd> fds, int timeoutMs) {
    for (;;) {
        const int ready = poll(fds.data(), fds.size(), timeoutMs);
        if (ready >= 0 || errno != EINTR) {
            return ready;
        }
    }
}

// Closes a descriptor on every early return of OpenSerialDevice.
class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// Descriptors 0..2 can be free when the process runs with its standard streams closed. Ours are
// moved above them: a connection handle is never 0, and code that later reopens a standard
// stream onto 0..2 must not silently replace the device or the wake-up pipe.
int MoveAboveStandardStreams(int fd) {
    if (fd > 2) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int error = errno;
    close(fd);
    errno = error;
    return moved;
}

bool MakeNonBlockingCloseOnExec(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 &&
           fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

class PosixSerialDevice final : public SerialDevice {
  public:
    PosixSerialDevice(int fd, int wakeRead, int wakeWrite)
        : fd_(fd), wakeRead_(wakeRead), wakeWrite_(wakeWrite) {
        ReadLineErrors(); // takes the counters' starting point: older errors are not ours
    }

    ~PosixSerialDevice() override {
        // The exclusive flag belongs to the terminal, not to this descriptor: left set, it would
        // lock out the next open while anyone else still holds the terminal.
        ioctl(fd_, TIOCNXCL);
        close(fd_);
        close(wakeRead_);
        close(wakeWrite_);
    }

    std::int32_t Handle() const override { return fd_; }

    OsError Configure(const LineParams& line) override;
    OsError Purge() override;
    LineStatus ReadStatus() override;
    ReadResult Read(std::span<std::uint8_t> out) override;
    WriteResult Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override;
    bool Drain(Clock::time_point deadline) override;
    Readiness WaitForInput() override;
    Readiness Pause(std::chrono::milliseconds pause) override;
    void Wake() override;

  private:
    // Waits for `events` on the device (none: only for a wake-up) for at most timeoutMs (-1: no
    // limit).
    Readiness WaitFor(short events, int timeoutMs);

    // True when a line error was counted since the last call; nullopt with errno when the
    // counters cannot be read. Drivers without counters (pseudo-terminals) report no errors.
    std::optional<bool> ReadLineErrors();

    const int fd_;
    const int wakeRead_;
    const int wakeWrite_;
    bool countersSupported_ = true;
    serial_icounter_struct counters_{};
};

OsError PosixSerialDevice::Configure(const LineParams& line) {
    const auto size = static_cast<std::size_t>(line.byteSize - 5);
    const auto parity = static_cast<std::size_t>(line.parityKind);
    // A terminal has no 1.5 stop bits. UARTs send 1.5 stop bits for 5-bit bytes when asked for
    // two, so that combination maps onto CSTOPB; with longer bytes it cannot be had at all.
    const bool stopBitsPossible = line.stopBits != 1 || line.byteSize == 5;
    if (size >= kByteSizeFlags.size() || parity >= kParityFlags.size() || line.stopBits < 0 ||
        line.stopBits > 2 || !stopBitsPossible) {
        return ChannelError(Call::Configure, EINVAL);
    }
    termios settings{};
    if (tcgetattr(fd_, &settings) != 0) {
        return ChannelError(Call::Configure, errno);
    }
    cfmakeraw(&settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | IGNPAR);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD | kByteSizeFlags[size] | kParityFlags[parity];
    if (line.stopBits != 0) {
        settings.c_cflag |= CSTOPB;
    }
    if (line.parityCheck) {
        settings.c_iflag |= INPCK;
    }
    // Reads never wait in the driver: the receive loop waits in poll() and reads what is queued.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    const std::optional<speed_t> constant = RateConstant(line.baudRate);
    const speed_t speed = constant.value_or(B38400); // replaced by the exact rate below
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0 ||
        tcsetattr(fd_, TCSANOW, &settings) != 0) {
        return ChannelError(Call::Configure, errno);
    }
    if (!constant) {
        if (const int error = SetExactRate(fd_, line.baudRate); error != 0) {
            return ChannelError(Call::Configure, error);
        }
    }
    // Some drivers run 8-bit bytes without parity whatever they are asked for (pseudo-terminals
    // on newer kernels), and tcsetattr() does not always say so. A format the device does not
    // run is refused rather than reported as set.
    constexpr tcflag_t kFormatBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    termios applied{};
    if (tcgetattr(fd_, &applied) != 0) {
        return ChannelError(Call::Configure, errno);
    }
    if ((applied.c_cflag & kFormatBits) != (settings.c_cflag & kFormatBits)) {
        return ChannelError(Call::Configure, EINVAL);
    }
    return {};
}

OsError PosixSerialDevice::Purge() {
    if (tcflush(fd_, TCIOFLUSH) != 0) {
        return ChannelError(Call::Configure, errno);
    }
    return {};
}

std::optional<bool> PosixSerialDevice::ReadLineErrors() {
    if (!countersSupported_) {
        return false;
    }
    serial_icounter_struct now{};
    if (ioctl(fd_, TIOCGICOUNT, &now) != 0) {
        if (errno == ENOTTY || errno == EINVAL) {
            countersSupported_ = false;
            return false;
        }
        return std::nullopt;
    }
    const bool changed = now.frame != counters_.frame || now.overrun != counters_.overrun ||
                         now.parity != counters_.parity || now.brk != counters_.brk ||
                         now.buf_overrun != counters_.buf_overrun;
    counters_ = now;
    return changed;
}

LineStatus PosixSerialDevice::ReadStatus() {
    int queued = 0;
    if (ioctl(fd_, FIONREAD, &queued) != 0) {
        return {.error = ChannelError(Call::Status, errno)};
    }
    const std::optional<bool> lineError = ReadLineErrors();
    if (!lineError) {
        return {.error = ChannelError(Call::Status, errno)};
    }
    return {.error = {},
            .queued = static_cast<std::uint32_t>(std::max(queued, 0)),
            .lineError = *lineError};
}

ReadResult PosixSerialDevice::Read(std::span<std::uint8_t> out) {
    for (;;) {
        const ssize_t count = read(fd_, out.data(), out.size());
        if (count > 0) {
            return {.count = static_cast<std::size_t>(count), .error = {}};
        }
        if (count == 0 && !out.empty()) {
            // A raw non-blocking terminal reads 0 only after a hang-up.
            return {.error = ChannelError(Call::Read, EIO)};
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return {.error = ChannelError(Call::Read, errno)};
        }
        return {};
    }
}

WriteResult PosixSerialDevice::Write(std::span<const std::uint8_t> bytes,
                                     Clock::time_point deadline) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = write(fd_, bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return {written, errno};
        }
        switch (WaitFor(POLLOUT, RemainingMs(deadline))) {
        case Readiness::Input:
        case Readiness::HangUp: // the next write tells what is wrong
            break;
        case Readiness::Woken:
            return {written, ECANCELED};
        case Readiness::TimedOut:
            return {written, ETIMEDOUT};
        }
    }
    return {written, 0};
}

bool PosixSerialDevice::Drain(Clock::time_point deadline) {
    // Waiting in small steps instead of in tcdrain() keeps the wait bounded and lets close end it.
    constexpr int kStepMs = 2;
    for (;;) {
        int queued = 0;
        if (ioctl(fd_, TIOCOUTQ, &queued) != 0) {
            return tcdrain(fd_) == 0; // no queue count from this driver: let it wait
        }
        if (queued <= 0) {
            return true;
        }
        const int left = RemainingMs(deadline);
        if (left == 0 || WaitFor(0, std::min(left, kStepMs)) == Readiness::Woken) {
            return false;
        }
    }
}

Readiness PosixSerialDevice::WaitFor(short events, int timeoutMs) {
    std::array<pollfd, 2> fds = {{{wakeRead_, POLLIN, 0}, {fd_, events, 0}}};
    const std::span<pollfd> watched(fds.data(), events != 0 ? 2 : 1);
    const int ready = PollResuming(watched, timeoutMs);
    if (ready < 0) {
        // poll() itself failed: let the caller look at the device, which backs off if it stays
        // unusable.
        return events != 0 ? Readiness::HangUp : Readiness::TimedOut;
    }
    if (fds[0].revents != 0) {
        return Readiness::Woken;
    }
    if (ready == 0) {
        return Readiness::TimedOut;
    }
    if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return Readiness::HangUp;
    }
    return Readiness::Input;
}

Readiness PosixSerialDevice::WaitForInput() {
    return WaitFor(POLLIN, -1);
}

Readiness PosixSerialDevice::Pause(std::chrono::milliseconds pause) {
    const auto until = Clock::now() + pause;
    const Readiness result = WaitFor(0, RemainingMs(until));
    if (result == Readiness::TimedOut && Clock::now() < until) {
        std::this_thread::sleep_until(until); // poll() failed: still pause, never spin
    }
    return result;
}

void PosixSerialDevice::Wake() {
    // The pipe stays readable from now on, so every later wait ends at once too. A full pipe
    // already wakes everyone, so a failed write changes nothing.
    const std::uint8_t byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(wakeWrite_, &byte, 1);
}

} // namespace

std::string DefaultDeviceNode(int port) {
    return "/dev/ttyS" + std::to_string(port - 1);
}

OpenResult OpenSerialDevice(const std::string& node) {
    const auto failed = [](int error) {
        return OpenResult{nullptr, ChannelError(Call::Open, error)};
    };
    if (node.empty()) {
        return failed(ENOENT);
    }
    const int opened = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) {
        return failed(errno);
    }
    UniqueFd device(MoveAboveStandardStreams(opened));
    if (device.Get() < 0) {
        return failed(errno);
    }
    std::array<int, 2> wake{};
    if (pipe(wake.data()) != 0) {
        return failed(errno);
    }
    UniqueFd wakeRead(MoveAboveStandardStreams(wake[0]));
    UniqueFd wakeWrite(MoveAboveStandardStreams(wake[1]));
    if (wakeRead.Get() < 0 || wakeWrite.Get() < 0 || !MakeNonBlockingCloseOnExec(wakeRead.Get()) ||
        !MakeNonBlockingCloseOnExec(wakeWrite.Get())) {
        return failed(errno);
    }
    // TIOCEXCL keeps other opens out, but not root's; the lock also refuses a second open by
    // root. It is taken first so that a refused open never clears the holder's exclusive flag.
    if (flock(device.Get(), LOCK_EX | LOCK_NB) != 0 || ioctl(device.Get(), TIOCEXCL) != 0) {
        return failed(errno);
    }
    std::unique_ptr<SerialDevice> serial(
        new (std::nothrow) PosixSerialDevice(device.Get(), wakeRead.Get(), wakeWrite.Get()));
    if (!serial) {
        ioctl(device.Get(), TIOCNXCL);
        return failed(ENOMEM);
    }
    device.Release();
    wakeRead.Release();
    wakeWrite.Release();
    return {std::move(serial), {}};
}

} // namespace va48::serial_backend
