#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace va48sim {

// A request text taken apart: "SET? 3" gives name "SET", query, parameters {"3"};
// "CAL 0 1" gives name "CAL", not a query, parameters {"0", "1"}.
//
// The views point into the text handed to ParseRequestText, which must outlive the result.
struct RequestText {
    std::string_view text; // the whole text
    std::string_view name; // the first three characters (fewer when the text is shorter)
    bool query = false;    // a "?" directly after the name
    std::string_view rest; // everything after the name and the "?", untouched
    std::vector<std::string_view> params;
    bool wellFormed = false; // every parameter was preceded by exactly one space and is not empty
};

// Splits a request text by the grammar: name, optional "?", then parameters each preceded by one
// space. A text whose parameters are not so separated (two spaces, a trailing space, text glued
// to the name) is returned with wellFormed false; callers answer it with a parameter error.
RequestText ParseRequestText(std::string_view text);

// A decimal parameter: an optional "-" and 1..18 digits, nothing else. nullopt otherwise.
std::optional<std::int64_t> ParseInteger(std::string_view text);

// A decimal parameter that must lie in lo..hi.
std::optional<std::int64_t> ParseInRange(std::string_view text, std::int64_t lo, std::int64_t hi);

} // namespace va48sim
