#pragma once

#include "protocol/device_state.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace va48 {

// What the measure page offers for one channel, without any widget: the items of its five lists
// and which one is chosen. Every value read from the amplifier reaches the tables through the
// checked lookups, so a value outside them gives a shorter list, never a read past a table.

enum class MeasureColumn { Range, FreqWeightUnit, TimeWeightDetection, Hpf, Lpf };
inline constexpr int kMeasureColumnCount = 5;

struct MeasureItem {
    std::string text;
    int code; // the value stored in the edit setup when the item is chosen

    friend bool operator==(const MeasureItem&, const MeasureItem&) = default;
};

struct MeasureList {
    std::vector<MeasureItem> items;
    std::optional<int> select; // code of the chosen item; nullopt: no item is chosen
    bool firstWhenMissing;     // a code not in the list chooses the first item (else nothing)
};

using MeasureRow = std::array<MeasureList, kMeasureColumnCount>;

// The five lists of a channel, in column order; nullopt for a channel without a (known) module.
// RANGE: sound "%d" dB values at codes 0..5 from the sensitivity (100..599), vibration factor x
// step at codes 0..6 from the exponent (0..2) and unit (1..3); empty when those are outside the
// tables. Chosen: rangeIndex, or nothing while rangeUnselected is set. The filter lists end with
// the "other" item (code 3 sound, 12 vibration) only when it has a label: the user filter's
// cut-off for index -2 with the user filter enabled, else the fine-list row of index >= 0.
std::optional<MeasureRow> BuildMeasureRow(const ChannelSettings& channel);

// Stores `code` chosen in `column` into the edit setup. A code the channel's list does not offer
// (a filter's "other" item that this channel lacks) stores nothing and answers false. A
// vibration unit choice, the same unit again included, leaves the range unchosen: the range values
// follow the unit.
bool StoreMeasureChoice(ChannelSettings& channel, MeasureColumn column, int code);

// "%g" of a range value, independent of the locale (always a '.' decimal point).
std::string FormatRangeValue(double value);

} // namespace va48
