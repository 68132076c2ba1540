// Drives the key filters with byte-chosen keys, limits and selections and checks after every
// step that the field stays well formed; also feeds the raw bytes to the text routines.

#include "ui/value_entry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using va48::FieldText;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Mostly keys that the filters handle specially, sometimes any 16-bit code.
char16_t PickKey(std::uint8_t selector, std::uint8_t extra) {
    using namespace std::string_view_literals;
    constexpr std::u16string_view kInteresting = u"0123456789-.\babcdefABCDEFgG x\0\u00e9"sv;
    if (selector < 0xF0) {
        return kInteresting[selector % kInteresting.size()];
    }
    return static_cast<char16_t>((selector << 8) | extra);
}

bool IsEditorCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '.' || (c >= 'a' && c <= 'f') ||
           (c >= 'A' && c <= 'F');
}

void CheckStep(const FieldText& before, const FieldText& after, char16_t key) {
    const auto length = static_cast<int>(after.text.size());
    Require(length <= va48::kFieldTextMax);
    Require(0 <= after.selectionStart && after.selectionStart <= after.selectionEnd &&
            after.selectionEnd <= length);
    Require(std::all_of(after.text.begin(), after.text.end(), IsEditorCharacter));
    if (after.text != before.text) {
        // An edit always leaves a caret, and changes the length by at most one character more.
        Require(after.selectionStart == after.selectionEnd);
        Require(after.text.size() <= before.text.size() + 1);
    }
    if (key == va48::kBackspaceKey) {
        Require(after.text.size() <= before.text.size());
    }
}

void StepDecimal(FieldText& field, const std::uint8_t* step) {
    const FieldText before = field;
    const char16_t key = PickKey(step[1], step[2]);
    const auto limit = static_cast<std::uint16_t>(step[3] % 8);
    const bool negativeAllowed = (step[0] & 0x02) != 0;
    const bool hadSelection = before.selectionStart != before.selectionEnd;
    const int countBefore = va48::SignificantDigitCount(before.text);
    va48::DecimalKeyFilter(field, key, limit, negativeAllowed);
    CheckStep(before, field, key);
    if (key == u'-' && !negativeAllowed) {
        Require(field.text == before.text);
    }
    if (field.text.size() > before.text.size() && key >= u'0' && key <= u'9' && !hadSelection) {
        Require(countBefore < limit);
    }
    if (field.text != before.text && key != va48::kBackspaceKey) {
        Require(field.text.find(static_cast<char>(key)) != std::string::npos);
    }
}

void StepHex(FieldText& field, const std::uint8_t* step) {
    const FieldText before = field;
    const char16_t key = PickKey(step[1], step[2]);
    const auto limit = static_cast<std::uint16_t>(step[3] % 40);
    va48::HexKeyFilter(field, key, limit);
    CheckStep(before, field, key);
    // The hex filter adds hex digits only, so it never adds a sign or a point.
    auto signsAndPoints = [](const std::string& text) {
        return std::count_if(text.begin(), text.end(), [](char c) { return c == '-' || c == '.'; });
    };
    Require(signsAndPoints(field.text) <= signsAndPoints(before.text));
    if (field.text.size() > before.text.size()) {
        Require(before.text.size() < limit);
    }
}

void CheckTextRoutines(std::string_view text) {
    Require(va48::SignificantDigitCount(text) >= 0);

    const int low = va48::DecimalRangeCheck(text, -1e300, 1e300);
    Require(low >= -1 && low <= 1);
    Require(va48::DecimalRangeCheck(text, 1.0, 0.0) != 0); // an empty range holds nothing

    for (const std::uint16_t digits : {std::uint16_t{0}, std::uint16_t{3}, std::uint16_t{4}}) {
        const std::string normalised = va48::DecimalTextNormalize(text, digits);
        Require(va48::DecimalTextNormalize(normalised, digits) == normalised);
        const int count = va48::SignificantDigitCount(normalised);
        Require(count >= digits);
        Require(count == digits || normalised.find('.') == std::string::npos);
        // The normalised text is a plain number: its whole text is the leading number.
        const std::string_view body = std::string_view(normalised).substr(normalised[0] == '-');
        Require(!body.empty() && body.find_first_not_of("0123456789.") == std::string_view::npos);
        Require(std::count(body.begin(), body.end(), '.') <= 1);
    }

    constexpr std::uint64_t kUntouched = 0xA5A5A5A5A5A5A5A5u;
    std::uint64_t value = kUntouched;
    const int parsed = va48::ParseHex64(text, value);
    Require(parsed == 0 || parsed == -1);
    const std::string hex = va48::HexTextNormalize(text, 12);
    if (parsed != 0) {
        Require(value == kUntouched);
        Require(va48::HexRangeCheck(text, 0, 1e30) == -2);
        Require(hex.empty());
        return;
    }
    Require(hex.size() >= 12 && hex.size() <= 16);
    std::uint64_t again = 0;
    Require(va48::ParseHex64(hex, again) == 0 && again == value);
    const int range = va48::HexRangeCheck(text, 0, 281474976710655.0);
    Require(range == (value < (1ull << 48) ? 0 : (value >> 63) ? -1 : 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckTextRoutines(std::string_view(reinterpret_cast<const char*>(data), size));

    // Each step: filter and flags, key (two bytes), limit, selection start and end (signed, so
    // out-of-range and reversed selections occur).
    constexpr std::size_t kStepSize = 6;
    FieldText field;
    for (std::size_t at = 0; at + kStepSize <= size; at += kStepSize) {
        const std::uint8_t* step = data + at;
        field.selectionStart = static_cast<std::int8_t>(step[4]);
        field.selectionEnd = static_cast<std::int8_t>(step[5]);
        if ((step[0] & 0x01) != 0) {
            StepHex(field, step);
        } else {
            StepDecimal(field, step);
        }
    }
    return 0;
}
