#include "protocol/user_filter_text.h"

#include "protocol/value_tables.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace va48 {

namespace {

constexpr std::size_t kKeptDigits = 3;

template <std::size_t N>
void CopyText(std::array<char, N>& field, std::string_view text) {
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

void SetTexts(UserFilter& filter, double value, std::string_view unit, std::uint32_t unitRow) {
    const std::string text = CutoffDigits(value);
    CopyText(filter.cutoffText, text);
    CopyText(filter.cutoffLabel, text + std::string(unit));
    filter.cutoffUnit = unitRow;
}

} // namespace

std::string CutoffDigits(double value) {
    char formatted[64];
    std::snprintf(formatted, sizeof formatted, "%.2f", value);
    const std::string_view text(formatted);
    const std::size_t point = std::min(text.find('.'), text.size());

    // The digit string without the point and without leading zeros of the integer part, and the
    // position of the decimal point in it.
    std::string integer(text.substr(0, point));
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    const std::string fraction(point < text.size() ? text.substr(point + 1) : std::string_view());
    const std::string digits = integer + fraction;
    const std::size_t decimal = integer.size();

    const std::string kept = digits.substr(0, std::max(kKeptDigits, decimal));
    const std::string whole = decimal > 0 ? kept.substr(0, decimal) : std::string("0");
    const std::string rest = kept.substr(std::min(decimal, kept.size()));
    return rest.empty() ? whole : whole + "." + rest;
}

void SetHpfCutoffTexts(UserFilter& filter) {
    SetTexts(filter, filter.cutoff * kHpfCutoffToHz, LabelOf(kHpfCutoffUnitTable, 0), 0);
}

void SetLpfCutoffTexts(UserFilter& filter) {
    if (filter.cutoff >= kLpfKhzThreshold) {
        SetTexts(filter, filter.cutoff * kLpfHzToKhz, LabelOf(kLpfCutoffUnitTable, 1), 1);
    } else {
        SetTexts(filter, filter.cutoff, LabelOf(kLpfCutoffUnitTable, 0), 0);
    }
}

} // namespace va48
