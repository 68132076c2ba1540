#pragma once

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace va48 {

// Each VersionInfo text fits a 100-byte zero-terminated buffer, so it holds at most this many
// bytes.
inline constexpr std::size_t kVersionTextMaxBytes = 99;

// How the program describes itself in the connection menu and the version dialog. Every text is
// UTF-8, at most kVersionTextMaxBytes long, and empty when its source is missing.
struct VersionInfo {
    std::string productName;
    std::string versionText; // the product version reshaped by ReshapeVersionText
    std::string comments;
    std::string fileDate; // the executable's modification date, see FormatFileDate
    std::string legalNotice;
};

// `text` cut to at most kVersionTextMaxBytes bytes, never inside a UTF-8 sequence.
std::string FitVersionText(std::string_view text);

// The displayed version from the "major, minor, patch, build" form. Tokens are separated by any
// run of blanks, tabs and commas. The first token is followed by "."; the rest follow without
// separators, except that a fourth token of exactly "0" and everything after it are left out.
// "1, 0, 1, 0" -> "1.01", "2, 1, 3, 4" -> "2.134", "3" -> "3.", "" -> "". Not cut to length.
std::string ReshapeVersionText(std::string_view productVersion);

// `mtime` as a date in local time: "YYYY/MM/DD" when `japanese`, otherwise strftime's "%x" in
// the current C locale (LC_TIME). Empty when the time cannot be converted or formatted.
std::string FormatFileDate(std::time_t mtime, bool japanese);

// Fills `out` from the version record built into the program and the modification time of
// `executable` (dated as by FormatFileDate). Every field of `out` is overwritten; fileDate is empty
// when the file's status cannot be read. Never throws.
// Returns true when the version record was available, which a build always provides; false
// would mean the texts are missing and `out` holds only the date.
bool ReadVersionInfo(const std::filesystem::path& executable, bool japanese, VersionInfo& out);

} // namespace va48
