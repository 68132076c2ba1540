#pragma once

#include "protocol/link_settings.h"
#include "shell/settings_file.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace va48 {

// The address LinkSettings holds when the settings file names no valid one. The LAN link refuses
// it, so a connection is never attempted to a broadcast address by accident.
inline constexpr std::array<std::uint8_t, 4> kNoLanAddress{255, 255, 255, 255};

// A settings number: leading white space, an optional sign, then decimal digits up to the first
// other character. No digits gives 0 ("abc" -> 0, "12ab" -> 12). Values beyond the 32-bit range
// saturate at its limits.
std::int32_t ParseSettingNumber(std::string_view text);

// A dotted-decimal IPv4 address: exactly four numbers 0..255 of one to three digits, no leading
// zeros, no blanks. Anything else gives kNoLanAddress.
std::array<std::uint8_t, 4> ParseLanAddress(std::string_view text);

// "a.b.c.d" in decimal.
std::string FormatLanAddress(const std::array<std::uint8_t, 4>& address);

// Fills every field of `out` from the file, each missing or unreadable key taking its default:
//   [LAN]     IPAddress  ("")       -> lanAddress (kNoLanAddress unless valid)
//             PortNo     (2255)     -> lanPort
//   [USB]     Rate       (115200)   -> baudRate, bit/s
//             ByteSize   (8)        -> byteSize, low byte of the number
//             Parity     (0)        -> parityEnabled, on when greater than 0
//             ParityKind (0)        -> parityKind, low byte
//             StopBit    (0)        -> stopBits, low byte
//   [HWID]    Code ("USB\VID_7C4E&PID_0008") -> hardwareId, at most 99 characters
//   [TIMEOUT] Recv       (30000)    -> replyTimeoutMs
//             Update     (60000)    -> updateTimeoutMs
//   [VA48]    UpdReboot  (1)        -> rebootAfterUpdate, true when greater than 0
//   [USB]     SerialNumber ("")     -> usbSerialNumber
// Numbers are read by ParseSettingNumber; a negative number stored in an unsigned field wraps
// ("Rate=-1" gives 4294967295), except a negative time-out, which takes its default. comPort is set
// to 0: USB port discovery fills it at every connect.
void LoadLinkSettings(const SettingsFile& file, LinkSettings& out);

// Writes the reply time-out, in milliseconds, to the file ([TIMEOUT] Recv) and, once it is saved,
// takes it for this run. Returns whether it was saved; when not, `settings` is unchanged and
// `why` (when given) holds the reason.
bool SaveReplyTimeout(SettingsFile& file, LinkSettings& settings, std::uint32_t ms,
                      std::error_code* why = nullptr);

// The same for the USB amplifier chosen among several ([USB] SerialNumber).
bool SaveUsbSerialNumber(SettingsFile& file, LinkSettings& settings, const std::string& serial,
                         std::error_code* why = nullptr);

// The same for the LAN address ([LAN] IPAddress, as "a.b.c.d").
bool SaveLanAddress(SettingsFile& file, LinkSettings& settings, std::array<std::uint8_t, 4> address,
                    std::error_code* why = nullptr);

} // namespace va48
