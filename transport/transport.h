#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace va48 {

// Link kinds; they select the column of the transport table.
enum class LinkKind : std::uint32_t {
    None = 0,
    Usb = 1, // the amplifier's virtual serial port
    Lan = 2, // TCP to the amplifier's address
};

// A channel's connection handle; kNoConnection when there is none. Handles are never 0.
using ConnectionHandle = std::int32_t;
inline constexpr ConnectionHandle kNoConnection = -1;

// Extracts one buffered frame (see ReceiveRing::ExtractFrame). Returns its length, 0 when no
// complete frame is buffered, and 0 (serial) or -1 (LAN) for an unknown handle.
using ReceiveFrameFn = int (*)(ConnectionHandle handle, std::span<const std::uint8_t> startMarker,
                               std::span<const std::uint8_t> endMarker, std::span<std::uint8_t> out,
                               std::uint16_t gap);
// Sends bytes; returns the number written, 0 on failure (LAN: -1 for an unknown handle).
using SendFn = int (*)(ConnectionHandle handle, std::span<const std::uint8_t> bytes);
// The channel's last error code (101..108 serial, 201..204 LAN), 0 when none.
using LastErrorFn = int (*)(ConnectionHandle handle);
// Drops every buffered received byte; returns how many were dropped (0 for an unknown handle).
using DiscardInputFn = int (*)(ConnectionHandle handle);
// The error code of the fault that has cut the link (LAN: the peer closed it or the receive
// failed; serial: the device cannot be read any more, as when it vanished), 0 while the link can
// carry a request and for an unknown handle. Such a link refuses every send.
using LinkFaultFn = int (*)(ConnectionHandle handle);

// One cell of the transport table: exactly one of the operations is set.
struct TransportEntry {
    ReceiveFrameFn receiveFrame = nullptr;
    SendFn send = nullptr;
    LastErrorFn lastError = nullptr;
    DiscardInputFn discardInput = nullptr;
    LinkFaultFn linkFault = nullptr;
};

enum class TransportOperation : std::uint32_t {
    ReceiveFrame = 0,
    Send = 1,
    LastError = 2,
    DiscardInput = 3,
    LinkFault = 4,
};

inline constexpr std::size_t kTransportOperationCount = 5;

// Operation by operation, one entry per link kind: index = operation x 2 + (kind - 1).
extern const std::array<TransportEntry, kTransportOperationCount * 2> kTransportTable;

// The table entry of an operation for a link kind; nullptr for LinkKind::None or an unknown kind.
const TransportEntry* FindTransport(TransportOperation operation, LinkKind kind);

} // namespace va48
