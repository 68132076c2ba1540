#pragma once

// The rules of the input setting page that need no window: which connector list row stands for a
// channel's connector flags, how a sensitivity is shown and stepped, and the range a typed
// sensitivity must keep. Nothing here keeps state.
//
// A sound sensitivity is shown in dB/pa as -10.0 .. -59.9 and stored as 100 .. 599 (the shown
// digits without sign and point). A vibration sensitivity is shown as 0.100 .. 99.9 and stored as a
// three-digit mantissa 100 .. 999 with a decimal exponent 0 .. 2: 0.500 is 500 with exponent 0,
// 5.00 is 500 with exponent 1, 50.0 is 500 with exponent 2.

#include "protocol/device_state.h"
#include "protocol/value_tables.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace va48 {

// Significant digits a sensitivity field accepts while typing.
inline constexpr std::uint16_t kSensitivityDigits = 3;

// Characters of a sensitivity field read when it is committed or stepped.
inline constexpr int kSensitivityTextMax = 15;

// True for the two module kinds that have an input connector and a sensitivity.
bool HasInputModule(std::uint8_t moduleKind);

// How a connector list shows a channel's connector flags: `row` is selected. Flags that match no
// row of the module's connector table either select an existing row or get an extra item,
// `extraItem`, appended at `row` (the end of the list): a sound channel with the rear flag gets
// "REAR", a vibration channel without it "FRONT"; the other unlisted values select "FRONT" (sound,
// row 0) or "REAR" (vibration, row 3). Without a module: row 0 and no extra item.
struct ConnectorSelection {
    int row = 0;
    std::string_view extraItem; // empty: nothing appended
};
ConnectorSelection SelectConnectorRow(std::uint8_t moduleKind, int flags);

// True when the connector flags (rear 1, charge 2, ccld 4, teds 8) are a row of the module's
// connector table; false for every value without a module.
bool ValidConnectorFlags(std::uint8_t moduleKind, int flags);

// Copies the four connector flags of a table row into a setup.
void ApplyConnectorRow(ChannelSetup& setup, const ConnectorRow& row);

// The sensitivity unit of the edit setup's connector (empty for unlisted flags and no module).
UnitLabel SensitivityUnitLabel(const ChannelSettings& channel);

// A sensitivity as a field shows it and as the edit setup stores it.
struct Sensitivity {
    std::string text;          // the shown text, e.g. "-25.0", "0.500", "12.3"
    std::uint16_t value = 0;   // the shown digits read as an integer: 250, 500, 123
    std::uint8_t exponent = 0; // always 0 for sound; 0 .. 2 for vibration

    friend bool operator==(const Sensitivity&, const Sensitivity&) = default;
};

// A stored sensitivity as shown. A value outside the table is shown as the nearest end of its
// row (a sound value of 50 shows -10.0), so the field always holds a value the range check accepts.
// Without a module the text is "- - -"; with an exponent the table has no row for the text is
// empty (nothing can be said about such a value). `value` and `exponent` of the result are what the
// text stands for, or the arguments where there is no text to stand for.
Sensitivity FormatStoredSensitivity(std::uint8_t moduleKind, std::uint16_t value,
                                    std::uint8_t exponent);

// The value of a shown text, moved by one arrow step and kept inside the table. The text is read
// as its leading decimal number, as the range check reads it ("" and "-" read 0, "1..2" reads 1);
// digits after the 14th decimal are ignored. `step` counts by its sign only: a negative step
// subtracts and a positive step adds one unit of the last shown decimal (0.001, 0.01 or 0.1; for
// sound the unit is -0.1, so a positive step makes the value more negative); 0 only normalises.
// A vibration value takes the exponent of its decade, 0.999 and 1.00, 9.99 and 10.0 being the
// edges; a value between two edges goes to the nearer one. Stepping across an edge moves by the
// finer unit: 1.00 down gives 0.999, 0.999 up gives 1.00, 10.0 down gives 9.99, 9.99 up 10.0.
// Without a module the text is "- - -" and value and exponent are 0.
Sensitivity StepShownSensitivity(std::uint8_t moduleKind, std::string_view text, int step);

// The range check of a committed sensitivity text (read by DecimalRangeCheck; both ends
// inclusive): sound -59.9 .. -10.0, vibration 0.1 .. 99.9.
// result: 0 inside; -1 below, with the lowest shown value as replacement (sound 599, vibration 100
// with exponent 0); 1 above, with the highest (sound 100, vibration 999 with exponent 2).
// Without a module every text is inside.
struct SensitivityCheck {
    int result = 0;
    std::uint16_t value = 0; // replacement, when result is not 0
    std::uint8_t exponent = 0;
};
SensitivityCheck CheckSensitivityRange(std::uint8_t moduleKind, std::string_view text);

} // namespace va48
