#include "sim/request_text.h"

namespace va48sim {

RequestText ParseRequestText(std::string_view text) {
    RequestText parsed;
    parsed.text = text;
    parsed.name = text.substr(0, 3);
    std::string_view rest = text.substr(parsed.name.size());
    if (!rest.empty() && rest.front() == '?') {
        parsed.query = true;
        rest.remove_prefix(1);
    }
    parsed.rest = rest;
    parsed.wellFormed = true;
    while (!rest.empty()) {
        if (rest.front() != ' ') {
            parsed.wellFormed = false;
            break;
        }
        rest.remove_prefix(1);
        const std::size_t end = rest.find(' ');
        const std::string_view param = rest.substr(0, end);
        if (param.empty()) {
            parsed.wellFormed = false;
            break;
        }
        parsed.params.push_back(param);
        rest.remove_prefix(param.size());
    }
    return parsed;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    constexpr std::size_t kMaxDigits = 18; // stays far inside 64 bits
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > kMaxDigits) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::optional<std::int64_t> ParseInRange(std::string_view text, std::int64_t lo, std::int64_t hi) {
    const auto value = ParseInteger(text);
    if (!value || *value < lo || *value > hi) {
        return std::nullopt;
    }
    return value;
}

} // namespace va48sim
