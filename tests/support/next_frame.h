#pragma once

#include "transport/auto_reset_event.h"
#include "transport/transport.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace va48 {

// Waits, bounded, for the next whole STX ... CR LF frame on `handle` of a channel whose receive
// call is `receive`: a frame may arrive in several pieces, each setting `received`. Empty when
// none came within `wait` of the last piece.
inline std::string NextFrame(ReceiveFrameFn receive, ConnectionHandle handle,
                             AutoResetEvent& received,
                             std::chrono::milliseconds wait = std::chrono::seconds(5)) {
    constexpr std::array<std::uint8_t, 1> kStx = {0x02};
    constexpr std::array<std::uint8_t, 2> kCrLf = {0x0D, 0x0A};
    std::array<std::uint8_t, 1024> out{};
    AutoResetEvent* const events[] = {&received};
    for (int piece = 0; piece < 64; ++piece) {
        const int length = receive(handle, kStx, kCrLf, out, 1);
        if (length > 0) {
            return std::string(out.begin(), out.begin() + length);
        }
        if (WaitAny(events, wait) == kWaitTimeout) {
            break;
        }
    }
    return {};
}

} // namespace va48
