#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace va48sim {

// Value of a hexadecimal digit (either case), or -1.
int HexValue(char c);

// Makes bytes printable on one log line: "\\" for a backslash, "\r", "\n", "\t", and "\xHH" for
// any other byte outside 0x20..0x7E. Printable bytes stay as they are.
std::string Escape(std::string_view bytes);

// The reverse of Escape (also used for the stray-bytes option); nullopt for a bad escape.
std::optional<std::string> Unescape(std::string_view text);

} // namespace va48sim
