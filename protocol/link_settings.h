#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace va48 {

// The link parameters read from the settings file at start-up. One process-wide instance,
// written on the window thread. The reply time-out is also read by the session's worker at every
// wait while the dialogs may change it, hence atomic.
struct LinkSettings {
    std::array<std::uint8_t, 4> lanAddress{}; // a.b.c.d; 255.255.255.255 when the text was invalid
    std::uint32_t lanPort = 0;                // the LAN link uses the low 16 bits
    std::uint32_t comPort = 0;                // 1..32, set by USB port discovery at every connect
    std::uint32_t baudRate = 0;
    bool parityEnabled = false;
    std::uint8_t byteSize = 0;
    std::uint8_t parityKind = 0; // 0..4: none, odd, even, mark, space
    std::uint8_t stopBits = 0;   // 0..2: one, one and a half, two
    std::string hardwareId;      // at most 99 characters, compared in upper case
    // The serial number of the USB amplifier chosen last among several; discovery takes it
    // first wherever it is plugged in. Empty: the first match.
    std::string usbSerialNumber;
    std::atomic<std::uint32_t> replyTimeoutMs{0};
    std::uint32_t updateTimeoutMs = 0;
    bool rebootAfterUpdate = false;
};

} // namespace va48
