#include "sim/module_setup.h"

#include <algorithm>

namespace va48sim {

namespace {

struct Limit {
    std::int64_t lo;
    std::int64_t hi;
};

// Accepted values of the fourteen wire fields, in wire order. The client's SET reply check is the
// floor of these; the amplifier is stricter where a value has no meaning (sensitivity scale).
constexpr std::array<Limit, kSetupFieldCount> kSoundLimits = {{
    {0, 1},     // first flag
    {0, 1},     // rear
    {0, 1},     // charge
    {0, 1},     // CCLD
    {0, 1},     // TEDS
    {1, 3},     // time weighting
    {1, 3},     // frequency weighting
    {1, 3},     // HPF menu
    {1, 3},     // LPF menu
    {100, 599}, // sensitivity
    {0, 0},     // sensitivity exponent
    {0, 5},     // range position
    {-2, 21},   // HPF fine index
    {-2, 26},   // LPF fine index
}};

constexpr std::array<Limit, kSetupFieldCount> kVibrationLimits = {{
    {0, 1},     // first flag
    {0, 1},     // rear
    {0, 1},     // charge
    {0, 1},     // CCLD
    {0, 1},     // TEDS
    {1, 3},     // unit
    {1, 3},     // detection
    {1, 12},    // HPF menu
    {1, 12},    // LPF menu
    {100, 999}, // sensitivity mantissa
    {0, 2},     // sensitivity exponent
    {0, 6},     // range position
    {-2, 21},   // HPF fine index
    {-2, 22},   // LPF fine index
}};

// The connectors each module has, as flag values.
constexpr std::array<int, 3> kSoundConnectors = {0, 5, kSoundTedsFlags};
constexpr std::array<int, 4> kVibrationConnectors = {2, 4, kVibrationTedsFlags, 1};

constexpr std::int64_t kMaxCoefficient = (std::int64_t{1} << 48) - 1;
constexpr int kMinCutoff = 300;

bool Within(std::int64_t value, Limit limit) {
    return value >= limit.lo && value <= limit.hi;
}

} // namespace

int ConnectorFlags(const ChannelSetup& setup) {
    return (setup.rear != 0 ? 1 : 0) | (setup.charge != 0 ? 2 : 0) | (setup.ccld != 0 ? 4 : 0) |
           (setup.teds != 0 ? 8 : 0);
}

bool SelectsTeds(ModuleKind kind, const ChannelSetup& setup) {
    const int flags = ConnectorFlags(setup);
    return (kind == ModuleKind::Sound && flags == kSoundTedsFlags) ||
           (kind == ModuleKind::Vibration && flags == kVibrationTedsFlags);
}

ChannelSetup DefaultSetup(ModuleKind kind) {
    ChannelSetup setup;
    if (kind == ModuleKind::Sound) {
        setup.sensitivity = 250;
        setup.sensitivityExp = 0;
        setup.rangeIndex = 2;
    } else if (kind == ModuleKind::Vibration) {
        setup.ccld = 1;
        setup.sensitivity = 500;
        setup.sensitivityExp = 1;
        setup.rangeIndex = 3;
    }
    return setup;
}

std::array<std::int64_t, kSetupFieldCount> SetupToWire(ModuleKind kind, const ChannelSetup& setup) {
    const bool sound = kind == ModuleKind::Sound;
    return {setup.firstFlag,
            setup.rear,
            setup.charge,
            setup.ccld,
            setup.teds,
            sound ? setup.timeWeightDetection : setup.freqWeightUnit,
            sound ? setup.freqWeightUnit : setup.timeWeightDetection,
            setup.hpfMode,
            setup.lpfMode,
            setup.sensitivity,
            setup.sensitivityExp,
            setup.rangeIndex,
            setup.hpfIndex,
            setup.lpfIndex};
}

std::optional<ChannelSetup> SetupFromWire(ModuleKind kind,
                                          std::span<const std::int64_t, kSetupFieldCount> values) {
    if (kind != ModuleKind::Sound && kind != ModuleKind::Vibration) {
        return std::nullopt;
    }
    const bool sound = kind == ModuleKind::Sound;
    const auto& limits = sound ? kSoundLimits : kVibrationLimits;
    for (std::size_t i = 0; i < kSetupFieldCount; ++i) {
        if (!Within(values[i], limits[i])) {
            return std::nullopt;
        }
    }
    const auto v = [&values](std::size_t i) { return static_cast<int>(values[i]); };
    ChannelSetup setup;
    setup.firstFlag = v(0);
    setup.rear = v(1);
    setup.charge = v(2);
    setup.ccld = v(3);
    setup.teds = v(4);
    setup.timeWeightDetection = sound ? v(5) : v(6);
    setup.freqWeightUnit = sound ? v(6) : v(5);
    setup.hpfMode = v(7);
    setup.lpfMode = v(8);
    setup.sensitivity = v(9);
    setup.sensitivityExp = v(10);
    setup.rangeIndex = v(11);
    setup.hpfIndex = v(12);
    setup.lpfIndex = v(13);

    const int flags = ConnectorFlags(setup);
    const bool known =
        sound ? std::ranges::find(kSoundConnectors, flags) != kSoundConnectors.end()
              : std::ranges::find(kVibrationConnectors, flags) != kVibrationConnectors.end();
    if (!known) {
        return std::nullopt;
    }
    return setup;
}

int MaxCutoff(FilterSide side, ModuleKind kind) {
    return side == FilterSide::LowPass && kind == ModuleKind::Sound ? 50000 : 20000;
}

std::optional<UserFilter> FilterFromWire(FilterSide side, ModuleKind kind,
                                         std::span<const std::int64_t, 7> values) {
    const std::int64_t cutoff = values[1];
    if (!Within(values[0], {0, 1}) ||
        (cutoff != 0 && !Within(cutoff, {kMinCutoff, MaxCutoff(side, kind)}))) {
        return std::nullopt;
    }
    UserFilter filter;
    filter.enabled = static_cast<int>(values[0]);
    filter.cutoff = static_cast<int>(cutoff);
    for (std::size_t i = 0; i < filter.coef.size(); ++i) {
        if (!Within(values[2 + i], {0, kMaxCoefficient})) {
            return std::nullopt;
        }
        filter.coef[i] = values[2 + i];
    }
    return filter;
}

std::string FilterToText(const UserFilter& filter) {
    const std::array<std::int64_t, 7> values = {filter.enabled, filter.cutoff,  filter.coef[0],
                                                filter.coef[1], filter.coef[2], filter.coef[3],
                                                filter.coef[4]};
    return JoinFields(values);
}

std::string JoinFields(std::span<const std::int64_t> values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += std::to_string(values[i]);
    }
    return text;
}

} // namespace va48sim
