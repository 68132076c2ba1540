#pragma once

#include "transport/auto_reset_event.h"
#include "transport/transport.h"

#include <cstdint>
#include <span>
#include <string>

namespace va48 {

// The LAN channel: a TCP connection over IPv4 to the amplifier, with a receive thread that fills
// a 2048-byte ring. Up to kLanConnectionCount connections are open at once.

inline constexpr int kLanConnectionCount = 8;

inline constexpr int kLanPeerClosed = 201; // the amplifier closed the connection
inline constexpr int kLanReceiveFailed = 202;
inline constexpr int kLanWaitFailed = 203;
inline constexpr int kLanRingFull = 204;

// Connect and receive timing. A field of 0 takes its default.
struct LanTiming {
    std::int32_t connectRetries = 0;          // default 1: attempts = retries + 1
    std::int32_t connectWaitChecks = 0;       // default 3: checks per attempt = value + 1
    std::int32_t connectWaitSeconds = 0;      // default 0
    std::int32_t connectWaitMicroseconds = 0; // default 100000
    std::int32_t receiveWaitChecks = 0;       // default 1
    std::int32_t receiveWaitSeconds = 0;      // default 0
    std::int32_t receiveWaitMicroseconds = 0; // default 200000
};

// Replaces every 0 field with its default.
LanTiming NormalizedTiming(LanTiming timing);

struct LanSettings {
    std::string address; // dotted-decimal IPv4, at most 31 characters
    std::uint16_t port = 0;
    LanTiming timing;
};

// Connects and starts the receive thread. Fails (kNoConnection) for port 0, an address that is
// not a valid dotted IPv4 address (255.255.255.255 counts as invalid), when every connect attempt
// failed, or when all connection records are in use.
ConnectionHandle LanOpen(const LanSettings& settings, AutoResetEvent* receiveEvent,
                         AutoResetEvent* errorEvent);

// Stops the receive thread (within about half a second at most), closes the socket and frees the
// ring. False for an unknown handle.
bool LanClose(ConnectionHandle handle);

// The transport operations (see transport.h). Receive returns -1 and send -1 for an unknown
// handle; last error gives 0 for one. Once the peer has closed the link or a receive has failed,
// the link fault holds that code (kLanPeerClosed, kLanReceiveFailed, kLanWaitFailed) and send
// refuses (0); closing the link locally reports nothing.
int LanReceiveFrame(ConnectionHandle handle, std::span<const std::uint8_t> startMarker,
                    std::span<const std::uint8_t> endMarker, std::span<std::uint8_t> out,
                    std::uint16_t gap);
int LanSend(ConnectionHandle handle, std::span<const std::uint8_t> bytes);
int LanLastError(ConnectionHandle handle);
int LanDiscardInput(ConnectionHandle handle);
int LanLinkFault(ConnectionHandle handle);

// The network error number stored with the last error code.
int LanSystemError(ConnectionHandle handle);

} // namespace va48
