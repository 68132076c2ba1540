#pragma once

// The user filters of all 16 channels as CSV text, for a design script or a spreadsheet, and one
// row's five coefficients as clipboard text.
//
// The file: a header line, then one line per channel, each line ended by CR LF:
//   channel,enabled,frequency,unit,a2,b2,c2,a1,b1
//   1,1,12.3,Hz,000000000ABC,000000000000,000000000000,000000000000,000000000000
// channel 1..16; enabled 0 or 1; frequency the frequency text as the dialog shows it; unit "Hz"
// or "kHz" (high-pass: always "Hz"); the coefficients in hexadecimal (export: 12 upper-case
// digits).
//
// Reading is forgiving about form and strict about content: a UTF-8 byte-order mark, LF or CR LF
// line ends, blank lines, blanks around fields, double quotes around a field, letter case in the
// header and the unit, any channel order and a subset of the channels are all accepted. Every
// value goes through the dialog's own rules; a value those rules would refuse or clamp refuses the
// whole file instead, so a file is taken exactly as it stands or not at all.

#include "filters/filter_rules.h"

#include <optional>
#include <string>
#include <string_view>

namespace va48 {

// The text of the file for one side of every channel.
std::string ExportFilters(const DeviceState& device, FilterSide side);

// Why a file was refused.
enum class ImportProblem {
    NoHeader,        // the first line is not the header
    FieldCount,      // a line has not 9 fields
    NotAChannel,     // channel is not 1..16
    RepeatedChannel, // the channel was given on an earlier line
    NotAFlag,        // enabled is not 0 or 1
    Empty,           // the field is empty
    NotDecimal,      // frequency is no plain decimal number
    BelowMinimum,    // frequency below the field's range
    AboveMaximum,    // frequency or coefficient above the range
    NotAUnit,        // unit is not one of the side's
    NotHexadecimal,  // a coefficient is no hexadecimal number
};

struct ImportError {
    int line = 0;   // 1 = the first line of the file
    int field = -1; // 0 channel .. 8 b1; -1 for a problem of the whole line
    ImportProblem problem = ImportProblem::NoHeader;

    friend bool operator==(const ImportError&, const ImportError&) = default;
};

// The header name of field 0..8 ("channel" .. "b1").
std::string_view ImportFieldName(int field);

struct ImportResult {
    std::optional<ImportError> error; // set: nothing was changed
    int changedRows = 0;              // rows whose edit copy changed (and is now marked)
};

// Reads the file into the side's edit copies of `device`, all or nothing. Lines of channels
// without a module are checked for their channel only and otherwise skipped (their rows cannot be
// edited). A row switched on takes its unit, then its frequency (range and normalisation of
// CommitFrequency, in that unit) and its coefficients; a row switched off keeps the frequency text
// as written (empty or a plain decimal) and takes its unit and coefficients too, so that switching
// it on later shows what the file held. Each row that changed is marked for sending.
ImportResult ImportFilters(DeviceState& device, FilterSide side, std::string_view text);

// A row's five coefficients as 12-digit hexadecimal texts separated by tabs, no line end.
std::string CoefficientsClipboardText(const UserFilter& filter);

// Takes five coefficients from clipboard text: five hexadecimal numbers of 0 .. 2^48 - 1
// separated by tabs, commas, blanks or line ends. Returns false and changes nothing for any
// other text; otherwise stores them and marks the filter when one changed.
bool PasteCoefficients(UserFilter& filter, std::string_view text);

} // namespace va48
