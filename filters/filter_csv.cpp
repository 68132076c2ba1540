#include "filters/filter_csv.h"

#include "ui/value_entry.h"
#include "protocol/value_tables.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>
#include <utility>
#include <vector>

namespace va48 {

namespace {

constexpr std::array<std::string_view, 9> kFieldNames = {
    "channel", "enabled", "frequency", "unit", "a2", "b2", "c2", "a1", "b1"};
constexpr int kEnabledField = 1;
constexpr int kFrequencyField = 2;
constexpr int kUnitField = 3;
constexpr int kFirstCoefficientField = 4;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

// The frequency field's range in its unit, as CommitFrequency applies it.
constexpr double kHpfLowest = 3;
constexpr double kHpfHighest = 200;
constexpr double kLpfLowest = 1;
constexpr double kLpfHighest = 999;
constexpr std::size_t kFrequencyTextMax = 15;

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameWord(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The fields of a line: split at commas, trimmed, a pair of enclosing double quotes removed.
std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        std::string_view field = Trim(line.substr(0, comma));
        if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
            field = field.substr(1, field.size() - 2);
        }
        fields.emplace_back(field);
        if (comma == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(comma + 1);
    }
}

bool IsHeader(const std::vector<std::string>& fields) {
    return std::ranges::equal(fields, kFieldNames, SameWord);
}

std::optional<int> ChannelNumber(std::string_view text) {
    if (text.empty() || text.size() > 2 ||
        !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int number = std::stoi(std::string(text));
    return number >= 1 && number <= kChannelCount ? std::optional<int>(number) : std::nullopt;
}

std::span<const IndexLabel> Units(FilterSide side) {
    if (side == FilterSide::HighPass) {
        return kHpfCutoffUnitTable;
    }
    return kLpfCutoffUnitTable;
}

struct FieldProblem {
    int field;
    ImportProblem problem;
};

// The frequency text of a row switched on, as CommitFrequency would store it.
std::optional<FieldProblem> ReadOnFrequency(std::string_view text, FilterSide side,
                                            std::string& stored) {
    if (text.empty()) {
        return FieldProblem{kFrequencyField, ImportProblem::Empty};
    }
    if (!Thousandths(text)) {
        return FieldProblem{kFrequencyField, ImportProblem::NotDecimal};
    }
    const bool highPass = side == FilterSide::HighPass;
    const int range = DecimalRangeCheck(text, highPass ? kHpfLowest : kLpfLowest,
                                        highPass ? kHpfHighest : kLpfHighest);
    if (range != 0) {
        return FieldProblem{kFrequencyField,
                            range < 0 ? ImportProblem::BelowMinimum : ImportProblem::AboveMaximum};
    }
    stored = DecimalTextNormalize(text, kFrequencyDigits);
    return std::nullopt;
}

// Reads fields 1..8 of a present channel's line into `filter`; the first bad field in line order.
std::optional<FieldProblem> ReadRow(const std::vector<std::string>& fields, FilterSide side,
                                    UserFilter& filter) {
    const std::string& enabled = fields[kEnabledField];
    if (enabled != "0" && enabled != "1") {
        return FieldProblem{kEnabledField, ImportProblem::NotAFlag};
    }
    const bool on = enabled == "1";

    std::string frequency = fields[kFrequencyField];
    if (on) {
        if (auto problem = ReadOnFrequency(fields[kFrequencyField], side, frequency)) {
            return problem;
        }
    } else if (frequency.size() > kFrequencyTextMax ||
               (!frequency.empty() && !Thousandths(frequency))) {
        return FieldProblem{kFrequencyField, ImportProblem::NotDecimal};
    }

    const auto units = Units(side);
    const auto unit = std::ranges::find_if(
        units, [&](const IndexLabel& row) { return SameWord(row.label, fields[kUnitField]); });
    if (unit == units.end()) {
        return FieldProblem{kUnitField, ImportProblem::NotAUnit};
    }

    std::array<std::int64_t, kCoefficientCount> coefficients{};
    for (int i = 0; i < kCoefficientCount; ++i) {
        const int field = kFirstCoefficientField + i;
        const std::string& text = fields[static_cast<std::size_t>(field)];
        if (text.empty()) {
            return FieldProblem{field, ImportProblem::Empty};
        }
        const int range = HexRangeCheck(text, 0, static_cast<double>(kCoefficientMax));
        if (range == -2) {
            return FieldProblem{field, ImportProblem::NotHexadecimal};
        }
        // -1 is a value past 2^63 that reads negative: far above the range too.
        if (range != 0) {
            return FieldProblem{field, ImportProblem::AboveMaximum};
        }
        std::uint64_t value = 0;
        ParseHex64(text, value);
        coefficients[static_cast<std::size_t>(i)] = static_cast<std::int64_t>(value);
    }

    filter.enabled = on ? 1 : 0;
    filter.cutoffUnit = static_cast<std::uint32_t>(unit->index);
    SetFrequencyText(filter, frequency);
    filter.cutoff = FrequencyOfText(frequency, side, filter.cutoffUnit);
    filter.coef = coefficients;
    return std::nullopt;
}

// Whether an import changed what a filter sends or shows.
bool SameContent(const UserFilter& a, const UserFilter& b) {
    return a.enabled == b.enabled && a.cutoff == b.cutoff && a.coef == b.coef &&
           a.cutoffText == b.cutoffText && a.cutoffUnit == b.cutoffUnit;
}

} // namespace

std::string_view ImportFieldName(int field) {
    return field >= 0 && field < static_cast<int>(kFieldNames.size())
               ? kFieldNames[static_cast<std::size_t>(field)]
               : std::string_view();
}

std::string ExportFilters(const DeviceState& device, FilterSide side) {
    std::string text;
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        text += (i > 0 ? "," : "");
        text += kFieldNames[i];
    }
    text += kLineEnd;
    for (int n = 1; n <= kChannelCount; ++n) {
        const UserFilter& filter =
            EditFilter(device.channels[static_cast<std::size_t>(n - 1)], side);
        const bool kilo = side == FilterSide::LowPass && filter.cutoffUnit == 1;
        text += std::to_string(n) + (filter.enabled == 1 ? ",1," : ",0,");
        text += FrequencyText(filter);
        text += ",";
        text += LabelOf(Units(side), kilo ? 1 : 0);
        for (const std::int64_t coefficient : filter.coef) {
            text += "," + CoefficientText(coefficient);
        }
        text += kLineEnd;
    }
    return text;
}

ImportResult ImportFilters(DeviceState& device, FilterSide side, std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::array<UserFilter, kChannelCount> filters;
    for (std::size_t i = 0; i < filters.size(); ++i) {
        filters[i] = EditFilter(device.channels[i], side);
    }
    std::array<bool, kChannelCount> seen{};
    bool headerRead = false;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (Trim(line).empty()) {
            continue;
        }
        const std::vector<std::string> fields = SplitFields(line);
        if (!headerRead) {
            if (!IsHeader(fields)) {
                return {ImportError{lineNumber, -1, ImportProblem::NoHeader}};
            }
            headerRead = true;
            continue;
        }
        if (fields.size() != kFieldNames.size()) {
            return {ImportError{lineNumber, -1, ImportProblem::FieldCount}};
        }
        const std::optional<int> channel = ChannelNumber(fields[0]);
        if (!channel) {
            return {ImportError{lineNumber, 0, ImportProblem::NotAChannel}};
        }
        const auto index = static_cast<std::size_t>(*channel - 1);
        if (std::exchange(seen[index], true)) {
            return {ImportError{lineNumber, 0, ImportProblem::RepeatedChannel}};
        }
        if (!IsPresent(device.channels[index].moduleKind)) {
            continue;
        }
        if (const auto problem = ReadRow(fields, side, filters[index])) {
            return {ImportError{lineNumber, problem->field, problem->problem}};
        }
    }
    if (!headerRead) {
        return {ImportError{std::max(lineNumber, 1), -1, ImportProblem::NoHeader}};
    }

    ImportResult result;
    for (std::size_t i = 0; i < filters.size(); ++i) {
        UserFilter& filter = EditFilter(device.channels[i], side);
        if (!SameContent(filter, filters[i])) {
            filter = filters[i];
            filter.sendPending = 1;
            ++result.changedRows;
        }
    }
    return result;
}

std::string CoefficientsClipboardText(const UserFilter& filter) {
    std::string text;
    for (const std::int64_t coefficient : filter.coef) {
        text += (text.empty() ? "" : "\t") + CoefficientText(coefficient);
    }
    return text;
}

bool PasteCoefficients(UserFilter& filter, std::string_view text) {
    std::vector<std::string_view> words;
    constexpr std::string_view kSeparators = "\t, \r\n";
    while (!text.empty()) {
        const std::size_t end = text.find_first_of(kSeparators);
        if (end != 0) {
            words.push_back(text.substr(0, end));
        }
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    if (words.size() != kCoefficientCount) {
        return false;
    }
    std::array<std::int64_t, kCoefficientCount> coefficients{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::uint64_t value = 0;
        if (HexRangeCheck(words[i], 0, static_cast<double>(kCoefficientMax)) != 0 ||
            ParseHex64(words[i], value) != 0) {
            return false;
        }
        coefficients[i] = static_cast<std::int64_t>(value);
    }
    if (filter.coef != coefficients) {
        filter.coef = coefficients;
        filter.sendPending = 1;
    }
    return true;
}

} // namespace va48
