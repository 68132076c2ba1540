#pragma once

#include "transport/auto_reset_event.h"
#include "transport/transport.h"

#include <cstdint>
#include <span>
#include <string>

namespace va48 {

// The serial channel: the amplifier's virtual serial port, numbered 1..32 like the ports of the
// platform it was first written for. Each port number is a record of a fixed table; the record
// names the device node that the number opens (see SerialPortDevice).

inline constexpr int kSerialPortCount = 32;

// Error codes the channel stores and LastError reports.
inline constexpr int kSerialOpenFailed = 101;      // the port could not be opened
inline constexpr int kSerialConfigureFailed = 102; // configuring the line failed
inline constexpr int kSerialNoRing = 103;          // the receive ring could not be allocated
inline constexpr int kSerialRingFull = 104;        // incoming bytes did not fit the ring
inline constexpr int kSerialWriteFailed = 106;     // a send's write failed or ran out of time
inline constexpr int kSerialReadFailed = 107;      // reading from the port failed
inline constexpr int kSerialLineError = 108;       // line status unreadable, or a line error

// Line setters. Each returns true when the value was accepted and stored for the port (1..32);
// it takes effect at the next open. A refused value leaves the port's setting as it was.
// Rates: 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200,
// 128000, 256000 bit/s. Byte size 5..8. Parity kind 0..4 (none, odd, even, mark, space) with
// `enable` as the parity-checking flag. Stop bits code 0..2 (one, one and a half, two).
bool SetSerialBaudRate(int port, std::uint32_t rate);
bool SetSerialByteSize(int port, int size);
bool SetSerialParity(int port, bool enable, int kind);
bool SetSerialStopBits(int port, int code);

// The device node that port 1..32 opens: the node bound to it, or when none is bound the
// platform's port of that number ("/dev/ttyS<port - 1>" on Linux, "COM<port>" on Windows).
// Empty for a number outside 1..32.
std::string SerialPortDevice(int port);

// Binds `node` to a port number and returns that number: the port already bound to the node, else
// the highest-numbered port that has no binding and is not open. 0 when every port is taken.
int BindSerialPortDevice(const std::string& node);

// Binds `node` to port 1..32 (replacing an earlier binding; an empty node removes it).
// False for a number outside 1..32.
bool SetSerialPortDevice(int port, const std::string& node);

// Opens port 1..32 exclusively with its stored line settings (115200 8N1 where none are stored)
// and starts its receive thread, which sets `receiveEvent` after new bytes arrived and
// `errorEvent` after it stored an error code. Either event may be null; both must outlive the
// open port. Returns the connection handle (always above 2), or kNoConnection: also when the port
// is open already, another holder has the device, or the device cannot run the line format
// asked for. 1.5 stop bits exist only for 5-bit bytes (a UART sends them when asked for two);
// pseudo-terminals on newer kernels run nothing but 8-bit bytes without parity.
//
// What the receive thread stores: kSerialLineError when the line status cannot be read (a
// vanished device, for instance an unplugged adapter or a closed pseudo-terminal peer, gives
// this with system error EIO) or when the driver counted a framing, overrun, parity or break
// error; kSerialReadFailed when a read fails; kSerialRingFull when the ring has no room, the
// bytes then wait in the driver. A lasting condition is stored and signalled once, and signalled
// again only after it cleared; meanwhile the thread looks again every 10 ms.
ConnectionHandle SerialOpen(int port, AutoResetEvent* receiveEvent, AutoResetEvent* errorEvent);

// Stops the receive thread, closes the port and frees its ring. An operation that another thread
// is running on the port at that moment is cut short, and the device is released when it
// returns. False for an unknown handle.
bool SerialClose(ConnectionHandle handle);

// The transport operations (see transport.h). Send writes all of `bytes` and waits until they
// left the output queue, for at most twice their time on the line plus one second. It returns
// the number written: 0 for an unknown handle, while the link fault is set, when the line status
// cannot be read or a line error is pending; fewer than bytes.size() when a write failed, the
// time ran out or the port was closed meanwhile. A failed send stores its cause as the last error
// (kSerialLineError, or kSerialWriteFailed with ETIMEDOUT for a time-out) with the system error,
// without setting the error event. The link fault is kSerialLineError or kSerialReadFailed while
// the receive thread cannot read the device (it vanished), 0 otherwise.
int SerialReceiveFrame(ConnectionHandle handle, std::span<const std::uint8_t> startMarker,
                       std::span<const std::uint8_t> endMarker, std::span<std::uint8_t> out,
                       std::uint16_t gap);
int SerialSend(ConnectionHandle handle, std::span<const std::uint8_t> bytes);
int SerialLastError(ConnectionHandle handle);
int SerialDiscardInput(ConnectionHandle handle);
int SerialLinkFault(ConnectionHandle handle);

// The operating-system error number stored with the last error code (0 when none).
int SerialSystemError(ConnectionHandle handle);

} // namespace va48
