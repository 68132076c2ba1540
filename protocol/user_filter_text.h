#pragma once

#include "protocol/device_state.h"

#include <string>
#include <string_view>

namespace va48 {

// The shown form of a cut-off: the value with two decimals, cut (not rounded) to three digits,
// e.g. 3.00, 12.5, 15.7 (from 15.75), 200, 50.0. Values of 1000 and more keep their integer digits.
std::string CutoffDigits(double value);

// Sets cutoffText, cutoffLabel ("Hz") and cutoffUnit 0 of a high-pass filter from its cutoff
// (0.01 Hz units).
void SetHpfCutoffTexts(UserFilter& filter);

// Sets the texts of a low-pass filter from its cutoff in Hz: below 1000 Hz in "Hz" (unit 0),
// from 1000 Hz on in "kHz" (unit 1).
void SetLpfCutoffTexts(UserFilter& filter);

} // namespace va48
