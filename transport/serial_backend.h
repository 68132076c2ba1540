#pragma once

// The operating-system side of the serial channel: one open serial device. serial_channel.cpp
// holds the portable logic (port table, line setting sequence, receive loop) and reaches the
// device only through this interface; each platform implements it in its own file
// (serial_posix.cpp, serial_win32.cpp). Not part of the public API.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace va48::serial_backend {

// The outcome of a device call as the channel reports it: code 0 on success, else one of the
// channel's error codes (101..108, serial_channel.h) with the OS error number that caused it
// (0 when the fault came from the line itself, not from a failed call).
struct OsError {
    int code = 0;
    int systemError = 0;
    bool Failed() const { return code != 0; }
};

// A complete line setup. baudRate in bit/s, one of the rates the channel accepts; byteSize 5..8;
// parityKind 0..4 (none, odd, even, mark, space); parityCheck: check the parity of received
// bytes; stopBits 0..2 (one, one and a half, two).
struct LineParams {
    std::uint32_t baudRate = 115200;
    int byteSize = 8;
    bool parityCheck = false;
    int parityKind = 0;
    int stopBits = 0;
};

struct LineStatus {
    OsError error;            // 108 when the status could not be read
    std::uint32_t queued = 0; // bytes waiting in the input queue
    bool lineError = false;   // a framing, overrun, parity or break condition since the last read
};

struct ReadResult {
    std::size_t count = 0; // bytes read; 0 when nothing was waiting
    OsError error;         // 107 when the read failed or the device hung up
};

struct WriteResult {
    std::size_t count = 0; // bytes handed to the driver
    int systemError = 0;   // why the write stopped short; 0 when every byte was written
};

// Why a wait ended.
enum class Readiness {
    Input,    // the device has input
    HangUp,   // the device reports a hang-up or an error condition
    Woken,    // Wake() was called
    TimedOut, // the pause or deadline passed
};

using Clock = std::chrono::steady_clock;

// One open device, exclusively held until destroyed (the destructor releases and closes it).
// ReadStatus, Read, Write and Drain must not run concurrently with each other (the channel calls
// them under its port lock); Wake may be called from any thread at any time.
class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // The device's handle as a connection handle: never 0 or -1, unique among open devices.
    virtual std::int32_t Handle() const = 0;

    // Writes the whole line setup to the device. 102 when the device refuses it.
    virtual OsError Configure(const LineParams& line) = 0;

    // Drops everything queued in both directions. 102 on failure.
    virtual OsError Purge() = 0;

    // Reads and clears the line status together with the input queue length.
    virtual LineStatus ReadStatus() = 0;

    // Reads at most out.size() bytes without waiting.
    virtual ReadResult Read(std::span<std::uint8_t> out) = 0;

    // Writes all of `bytes`, waiting for room in the output queue until `deadline`. Stops early
    // when a write fails, the deadline passes or Wake() is called.
    virtual WriteResult Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) = 0;

    // Waits until the output queue is empty, `deadline` passes or Wake() is called. True when it
    // drained.
    virtual bool Drain(Clock::time_point deadline) = 0;

    // Waits without a time limit until the device has input or hangs up, or Wake() was called.
    virtual Readiness WaitForInput() = 0;

    // Waits `pause` or until Wake() was called, without looking at the device: the receive loop
    // backs off this way while the device stays faulty.
    virtual Readiness Pause(std::chrono::milliseconds pause) = 0;

    // Ends the current wait and every later one at once (Woken); used once, by close.
    virtual void Wake() = 0;
};

struct OpenResult {
    std::unique_ptr<SerialDevice> device; // null on failure
    OsError error;                        // 101 when the device could not be opened
};

// The node that port number `port` (1..32) opens when none is bound to it: the platform's
// serial port of that number ("/dev/ttyS<port - 1>" on Linux, "COM<port>" on Windows).
std::string DefaultDeviceNode(int port);

// Opens the device node for exclusive reading and writing in raw mode, with pending line errors
// cleared. A node that another process (or another port of this one) holds is refused.
OpenResult OpenSerialDevice(const std::string& node);

} // namespace va48::serial_backend
