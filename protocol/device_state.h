#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace va48 {

inline constexpr int kChannelCount = 16;

// One channel's measurement setup. The same record serves both module kinds; the fields whose
// meaning differs are noted (sound / vibration).
struct ChannelSetup {
    std::uint8_t firstFlag = 0; // reported by the device, always sent as 0
    std::uint8_t rear = 0;      // connector flags, each 0 or 1
    std::uint8_t charge = 0;
    std::uint8_t ccld = 0;
    std::uint8_t teds = 0;
    std::uint8_t timeWeightDetection = 0; // time weighting 1..3 / detection 1..3
    std::uint8_t freqWeightUnit = 0;      // frequency weighting 1..3 / unit 1..3
    std::uint8_t hpfMode = 0;             // 1..3 / 1..12; the last position means "other"
    std::uint8_t lpfMode = 0;             // 1..3 / 1..12; the last position means "other"
    std::uint16_t sensitivity = 0;        // 100..599 / mantissa 100..999 (as read, unchecked)
    std::uint8_t sensitivityExp = 0;      // 0 / 0..2
    std::uint8_t rangeIndex = 0;          // 0..5 / 0..6
    std::int8_t hpfIndex = 0;             // -2 user filter, -1 off, 0..21
    std::int8_t lpfIndex = 0;             // -2 user filter, -1 off, 0..26 / 0..22
    std::uint16_t tedsState = 0;          // 0..3: 1 reading under way, 3 failed

    friend bool operator==(const ChannelSetup&, const ChannelSetup&) = default;
};

// A user-defined filter with five 48-bit coefficients.
struct UserFilter {
    std::uint8_t enabled = 0;
    std::uint32_t cutoff = 0;           // HPF: 0.01 Hz units; LPF: Hz; 0 = none
    std::array<std::int64_t, 5> coef{}; // a2, b2, c2, a1, b1; each 0 .. 2^48 - 1
    std::array<char, 16> cutoffText{};  // cutoff without unit, e.g. "12.5"
    std::array<char, 16> cutoffLabel{}; // cutoffText and unit, e.g. "12.5kHz"
    std::uint32_t cutoffUnit = 0;       // 0 Hz, 1 kHz
    std::uint32_t sendPending = 0;      // 1 when the next UHC/ULC write sends this filter

    friend bool operator==(const UserFilter&, const UserFilter&) = default;
};

// The last polled reading of a channel.
struct ChannelReading {
    std::uint32_t value = 0; // sound: 0.1 dB units; vibration: integer scaled by exp/unit/range
    std::uint32_t aux1 = 0;
    std::uint32_t aux2 = 0;
    std::uint32_t aux3 = 0;
    std::uint32_t aux4 = 0;
    std::uint8_t lampRed = 0;
    std::uint8_t lampCyan = 0;
    std::uint8_t readingExp = 0;   // 0..2
    std::uint8_t readingRange = 0; // 0..5 / 0..6
    std::uint8_t readingUnit = 0;  // 0 sound; 1..3 vibration (m/s2, mm/s, mm)
    std::uint8_t readingExtra = 0;

    friend bool operator==(const ChannelReading&, const ChannelReading&) = default;
};

// Lamp states of the level display.
inline constexpr std::uint32_t kLampOff = 0;
inline constexpr std::uint32_t kLampNormal = 1;
inline constexpr std::uint32_t kLampRed = 2;
inline constexpr std::uint32_t kLampCyan = 3;

struct ChannelSettings {
    std::uint8_t moduleKind = 0; // kNoModule, kSoundModule or kVibrationModule
    std::uint32_t lamp = 0;
    std::uint32_t edited = 0;          // connector or sensitivity changed by the user
    std::uint32_t tedsInput = 0;       // editSetup selects the module's TEDS connector
    std::uint32_t rangeUnselected = 0; // the range list shows no selection
    ChannelSetup deviceSetup;          // as last read from the device
    ChannelSetup editSetup;            // as being edited; this copy is sent
    UserFilter deviceUserHpf;
    UserFilter deviceUserLpf;
    UserFilter editUserHpf;
    UserFilter editUserLpf;
    ChannelReading reading;

    friend bool operator==(const ChannelSettings&, const ChannelSettings&) = default;
};

struct DeviceLan {
    std::array<std::uint8_t, 4> address{}; // a.b.c.d in written order
    std::array<std::uint8_t, 4> mask{};
    std::array<std::uint8_t, 4> gateway{};
    std::uint32_t known = 0; // 1 when the last IPA query succeeded
};

// The in-memory image of the amplifier. Reply parsers write it on the session's worker while a
// job runs; the windows read and edit it on the window thread after the job's posted message.
struct DeviceState {
    std::array<ChannelSettings, kChannelCount> channels{}; // channel n is element n - 1
    std::array<char, 8> deviceVersion{};                   // at most 7 characters
    DeviceLan deviceLan;
    std::uint32_t calibrationOn = 0;
};

// Channel 1..16 of the device; nullptr for any other number. The device number is always 1 and
// is not looked at.
ChannelSettings* GetChannel(DeviceState& state, int device, int channel);
const ChannelSettings* GetChannel(const DeviceState& state, int device, int channel);

// The four connector flags of a setup as bits: rear 1, charge 2, ccld 4, teds 8.
int ConnectorFlags(const ChannelSetup& setup);

// 1 when the edit setup selects the module's TEDS connector (sound: flags 13; vibration: 12).
std::uint32_t TedsInput(const ChannelSettings& channel);

// Row of the module's sensitivity unit table for the edit setup's connector (0: no unit).
std::uint32_t SensitivityUnit(const ChannelSettings& channel);

// deviceVersion as text.
std::string_view DeviceVersion(const DeviceState& state);

// A fixed-size text field as a view up to its NUL.
template <std::size_t N>
std::string_view TextOf(const std::array<char, N>& text) {
    std::size_t length = 0;
    while (length < N && text[length] != '\0') {
        ++length;
    }
    return std::string_view(text.data(), length);
}

} // namespace va48
