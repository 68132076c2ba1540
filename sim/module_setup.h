#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace va48sim {

// What sits in a slot; the value is the module's code in the DID reply.
enum class ModuleKind : int { None = 0, Sound = 14, Vibration = 15 };

inline constexpr int kChannelCount = 16;
// Number of values in a setup, as written by SET and answered to SET? (the first is a flag the
// client always sends as 0).
inline constexpr std::size_t kSetupFieldCount = 14;

// The measurement setup of one channel. Field 5 and 6 of the wire form swap meaning with the kind:
// a sound module sends time weighting then frequency weighting, a vibration module unit then
// detection; the record keeps them by meaning.
struct ChannelSetup {
    int firstFlag = 0; // 0..1
    int rear = 0;      // connector flags, 0..1 each; see ConnectorFlags
    int charge = 0;
    int ccld = 0;
    int teds = 0;
    int timeWeightDetection = 1; // sound: time weighting F/S/10ms 1..3; vibration: detection 1..3
    int freqWeightUnit = 1;      // sound: frequency weighting A/C/Z 1..3; vibration: unit 1..3
    int hpfMode = 1;             // sound 1..3, vibration 1..12; the last means "by hpfIndex"
    int lpfMode = 1;
    int sensitivity = 0;    // sound 100..599 (0.1 dB/Pa, negated); vibration mantissa 100..999
    int sensitivityExp = 0; // sound 0; vibration 0..2
    int rangeIndex = 0;     // position in the range list: sound 0..5, vibration 0..6
    int hpfIndex = -1;      // -2 user filter, -1 off, 0..21
    int lpfIndex = -1;      // -2 user filter, -1 off, 0..26 sound / 0..22 vibration

    bool operator==(const ChannelSetup&) const = default;
};

// A user-defined filter: UHC (high-pass) or ULC (low-pass) of one channel.
struct UserFilter {
    int enabled = 0;                    // 0..1
    int cutoff = 0;                     // HPF in 0.01 Hz, LPF in Hz; 0 = none
    std::array<std::int64_t, 5> coef{}; // a2, b2, c2, a1, b1; each 0..2^48 - 1

    bool operator==(const UserFilter&) const = default;
};

inline constexpr int kSoundTedsFlags = 13;     // rear + CCLD + TEDS
inline constexpr int kVibrationTedsFlags = 12; // CCLD + TEDS

// The connector flags as bits: rear 1, charge 2, CCLD 4, TEDS 8.
int ConnectorFlags(const ChannelSetup& setup);

// True when the setup selects the module's TEDS connector.
bool SelectsTeds(ModuleKind kind, const ChannelSetup& setup);

// The setup a module comes up with: sound front connector, -25.0 dB/Pa, range 2, F and A,
// filters off; vibration front CCLD, 5.00 mV/(m/s2), m/s2, RMS, range 3, filters off.
ChannelSetup DefaultSetup(ModuleKind kind);

// The fourteen wire values in the order of the SET reply and of the SET write after the channel.
std::array<std::int64_t, kSetupFieldCount> SetupToWire(ModuleKind kind, const ChannelSetup& setup);

// Checks fourteen wire values for a module kind and builds the setup; nullopt when any value is
// out of range, the connector flags are no combination the module has, or the sensitivity is
// outside its scale. `kind` must be Sound or Vibration.
std::optional<ChannelSetup> SetupFromWire(ModuleKind kind,
                                          std::span<const std::int64_t, kSetupFieldCount> values);

// Which user filter a UHC/ULC request addresses.
enum class FilterSide { HighPass, LowPass };

// The largest cut-off a user filter accepts: HPF 20000 (200.00 Hz); LPF 50000 Hz on a sound
// module, 20000 Hz on a vibration module. The smallest non-zero cut-off is 300 on both sides.
int MaxCutoff(FilterSide side, ModuleKind kind);

// Checks the seven wire values of a user filter (enabled, cutoff, five coefficients).
std::optional<UserFilter> FilterFromWire(FilterSide side, ModuleKind kind,
                                         std::span<const std::int64_t, 7> values);

// The seven values as the UHC?/ULC? reply text, comma-separated.
std::string FilterToText(const UserFilter& filter);

// Joins numbers with commas: {1, -2, 3} gives "1,-2,3".
std::string JoinFields(std::span<const std::int64_t> values);

} // namespace va48sim
