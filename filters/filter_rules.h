#pragma once

// The arithmetic behind the coefficient dialogs: what a row of the grid shows, and how each edit
// (switch, frequency, unit, coefficient) changes a channel's user-filter edit copy. Nothing here
// needs a window; the dialogs show the results and the message boxes.
//
// Terms: a filter's *frequency* is UserFilter::cutoff (high-pass: hundredths of a hertz, 300 is
// 3.00 Hz; low-pass: whole hertz), its *frequency text* cutoffText (the shown number, without the
// unit), its *unit* cutoffUnit (0 Hz, 1 kHz; low-pass only) and its *send mark* sendPending (1:
// the next UHC/ULC write sends it). Every edit that changes a filter sets its mark; no edit ever
// clears one (only CANCEL and a read do).

#include "protocol/device_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace va48 {

enum class FilterSide { HighPass, LowPass };

inline constexpr int kCoefficientCount = 5;          // a2, b2, c2, a1, b1
inline constexpr std::uint16_t kFrequencyDigits = 3; // significant digits of a frequency text
inline constexpr std::uint16_t kCoefficientDigits = 12;
inline constexpr std::int64_t kCoefficientMax = 281474976710655; // 2^48 - 1

// The user filter a dialog edits, and the copy last read from the amplifier.
UserFilter& EditFilter(ChannelSettings& channel, FilterSide side);
const UserFilter& EditFilter(const ChannelSettings& channel, FilterSide side);
const UserFilter& DeviceFilter(const ChannelSettings& channel, FilterSide side);

// A channel holds a module (kind 1 or 2): its row can be edited.
bool IsPresent(std::uint8_t moduleKind);

// What one row of the grid shows.
struct RowView {
    bool present = false;                // the check box can be used
    bool checked = false;                // the filter is switched on
    bool editable = false;               // frequency, unit and coefficient fields can be used
    std::string frequency;               // text of the frequency field
    std::vector<std::string_view> units; // items of the unit list
    int unit = 0;                        // the selected item
    std::array<std::string, kCoefficientCount> coefficients;

    friend bool operator==(const RowView&, const RowView&) = default;
};

// The row of a channel: a switched-on filter of a present channel shows its frequency text, its
// unit (high-pass: "Hz" alone; low-pass: "Hz" and "kHz", the stored unit selected, the first
// when the stored one is not a row of the list) and its coefficients as 12 upper-case hexadecimal
// digits; every other row shows "- - -" in every field and a unit list of "- - -" alone.
RowView ViewOfRow(const ChannelSettings& channel, FilterSide side);

// A coefficient as the fields show it: upper-case hexadecimal, zero-padded to 12 digits.
std::string CoefficientText(std::int64_t value);

// The frequency text of a filter, and a new one (cut to the record's 15 characters).
std::string_view FrequencyText(const UserFilter& filter);
void SetFrequencyText(UserFilter& filter, std::string_view text);

// The frequency a text stands for (see Thousandths): high-pass in hundredths of a hertz rounded
// half up; low-pass in whole hertz of `unit` (0 Hz, 1 kHz) truncated. 0 for an unreadable text.
std::uint32_t FrequencyOfText(std::string_view text, FilterSide side, std::uint32_t unit);

// The check box: switches the filter on or off and marks it. A filter switched on without a
// frequency gets the lowest one its field accepts: high-pass 3.00 Hz (300), low-pass the text
// 1.00 read in the stored unit (1 Hz).
void SwitchFilter(UserFilter& filter, FilterSide side, bool on);

// The outcome of committing a field: accepted (normalised), refused because it is empty (nothing
// changed), or refused as below the minimum or above the maximum: a frequency is then taken to the
// nearest end of its range, a coefficient keeps its stored value (a text that is no hexadecimal
// number counts as above the maximum).
enum class EntryCheck { Accepted, Empty, BelowMinimum, AboveMaximum };

// Commits a frequency field's whole text (a pasted text is read in full, never cut to a prefix
// that would mean another number). A text that normalises to the stored one is no edit: nothing
// changes, so leaving an untouched field never alters a frequency read from the amplifier.
//  - high-pass: 3 .. 200 Hz; outside, the text becomes "3.00" or "200"; the frequency is the
//    text in hundredths of a hertz, rounded half up (12.3 gives 1230);
//  - low-pass: 1 .. 999 in the selected unit; outside, the text becomes "1" or "999"; the
//    frequency is the text in the selected unit, in whole hertz, truncated (1.5 kHz gives 1500,
//    1.5 Hz gives 1; a clamped 999 with kHz gives 999000, which SEND's check then refuses).
// An accepted text is normalised to 3 significant digits ("7" gives "7.00"). The filter is marked
// when its text changed.
EntryCheck CommitFrequency(UserFilter& filter, FilterSide side, std::string_view text);

// Commits a coefficient field (column 0 a2 .. 4 b1). Accepted: the value is stored and `shown`
// is its normalised text; otherwise `shown` is the stored value's text. The filter is marked when
// the value changed.
EntryCheck CommitCoefficient(UserFilter& filter, int column, std::string_view text,
                             std::string& shown);

// A low-pass unit choice (0 Hz, 1 kHz): a different unit marks the filter and reads the shown text
// in it (truncated to whole hertz: 1.50 gives 1500 in kHz, 1 in Hz). Choosing the unit already
// stored changes nothing; in particular it never drops a mark that earlier edits set.
void ChooseLpfUnit(UserFilter& filter, std::uint32_t unit);

// The frequency of a plain decimal text ("12.3", "999", ".5"; digits and at most one point) in
// thousandths of its unit, cut after the third decimal; nullopt for any other text or a value
// beyond 10^12.
std::optional<std::uint64_t> Thousandths(std::string_view text);

// The first present channel (1..16) whose switched-on low-pass filter lies outside what its
// module can take (sound 300 .. 50000 Hz, vibration 300 .. 20000 Hz); nullopt when all can.
std::optional<int> FirstLpfOutOfRange(const DeviceState& device);

// CANCEL: every edit copy of the side becomes the copy last read, unmarked.
void RestoreFilters(DeviceState& device, FilterSide side);

} // namespace va48
