#include "ui/value_entry.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <utility>

namespace va48 {
namespace {

// The C-locale white space set; std::isspace would depend on the locale and is undefined for
// negative char values.
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

constexpr bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

constexpr int HexDigitValue(char16_t c) {
    if (IsDigit(c)) {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

std::string_view SkipWhiteSpace(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(kWhiteSpace), text.size()));
    return text;
}

std::string_view LeadingDigits(std::string_view text) {
    const auto end = std::find_if(text.begin(), text.end(), [](char c) { return !IsDigit(c); });
    return text.substr(0, static_cast<std::size_t>(end - text.begin()));
}

struct DecimalPieces {
    std::string_view integer;
    std::string_view fraction;
};

// Splits at points the way the fields have always been read: leading points and runs of points
// separate nothing, so ".5" is the integer part "5" and "1..2" is "1" and "2".
DecimalPieces SplitAtPoints(std::string_view text) {
    auto nextPiece = [&text]() {
        text.remove_prefix(std::min(text.find_first_not_of('.'), text.size()));
        const std::string_view piece = text.substr(0, text.find('.'));
        text.remove_prefix(piece.size());
        return piece;
    };
    const std::string_view integer = nextPiece();
    return {integer, nextPiece()};
}

struct IntegerReading {
    bool negative = false;
    std::string_view digits; // without leading zeros; empty for the value 0
};

// Reads the leading integer as a digit string rather than a machine integer, so a long run of
// digits is measured exactly instead of overflowing.
IntegerReading ReadLeadingInteger(std::string_view piece) {
    piece = SkipWhiteSpace(piece);
    IntegerReading reading;
    if (!piece.empty() && (piece.front() == '+' || piece.front() == '-')) {
        reading.negative = piece.front() == '-';
        piece.remove_prefix(1);
    }
    std::string_view digits = LeadingDigits(piece);
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    reading.digits = digits;
    return reading;
}

// The field as the filters work on it: at most kFieldTextMax characters and an ordered
// selection inside that text. `text` views the field's own string.
struct FieldView {
    std::string_view text;
    int start = 0;
    int end = 0;
};

FieldView ReadField(const FieldText& field) {
    FieldView view;
    view.text = std::string_view(field.text).substr(0, kFieldTextMax);
    const int length = static_cast<int>(view.text.size());
    view.start = std::clamp(field.selectionStart, 0, length);
    view.end = std::clamp(field.selectionEnd, 0, length);
    if (view.start > view.end) {
        std::swap(view.start, view.end);
    }
    return view;
}

// Refused and ignored keys: the text stays as it was, only the selection is made sane.
void KeepText(FieldText& field, const FieldView& view) {
    field.selectionStart = view.start;
    field.selectionEnd = view.end;
}

void ReplaceSelection(FieldText& field, const FieldView& view, std::string_view insertion) {
    const auto start = static_cast<std::size_t>(view.start);
    const auto end = static_cast<std::size_t>(view.end);
    if (view.text.size() - (end - start) + insertion.size() > kFieldTextMax) {
        KeepText(field, view);
        return;
    }
    // Built in full before assigning: view.text points into field.text.
    std::string text;
    text.reserve(kFieldTextMax);
    text.append(view.text.substr(0, start));
    text.append(insertion);
    text.append(view.text.substr(end));
    field.text = std::move(text);
    field.selectionStart = view.start + static_cast<int>(insertion.size());
    field.selectionEnd = field.selectionStart;
}

void InsertKey(FieldText& field, const FieldView& view, char16_t key) {
    const char c = static_cast<char>(key); // callers pass ASCII keys only
    ReplaceSelection(field, view, std::string_view(&c, 1));
}

void Backspace(FieldText& field, FieldView view) {
    if (view.start == view.end) {
        if (view.start == 0) {
            KeepText(field, view);
            return;
        }
        --view.start;
    }
    ReplaceSelection(field, view, {});
}

int CompareToRange(double value, double minimum, double maximum) {
    if (value < minimum) {
        return -1;
    }
    if (value > maximum) {
        return 1;
    }
    return 0;
}

// Unsigned reading of a decimal number that starts with a digit or with a point and a digit.
double ReadUnsignedDecimal(std::string_view number) {
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Without an exponent only a non-zero integer part can overflow; anything else underflowed.
        const std::string_view integer = LeadingDigits(number);
        const bool overflow = integer.find_first_not_of('0') != std::string_view::npos;
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return value;
}

double ReadLeadingDecimal(std::string_view text) {
    text = SkipWhiteSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars would also take "inf", "nan" and a second minus sign; a number here must start
    // with a digit, or with a point followed by a digit.
    const bool startsNumber =
        !text.empty() &&
        (IsDigit(text.front()) || (text.size() > 1 && text[0] == '.' && IsDigit(text[1])));
    if (!startsNumber) {
        return 0.0;
    }
    const double value = ReadUnsignedDecimal(text);
    return negative ? -value : value;
}

} // namespace

int SignificantDigitCount(std::string_view text) {
    const DecimalPieces pieces = SplitAtPoints(text);
    const std::size_t count =
        ReadLeadingInteger(pieces.integer).digits.size() + pieces.fraction.size();
    return static_cast<int>(std::min<std::size_t>(count, INT_MAX));
}

void DecimalKeyFilter(FieldText& field, char16_t key, std::uint16_t maxDigits,
                      bool negativeAllowed) {
    const FieldView view = ReadField(field);
    // Signs, points and backspace stay usable at the limit so a full field can still be
    // corrected; a selection lifts the limit because the key replaces what is selected.
    const bool limitExempt = key == kBackspaceKey || key == u'-' || key == u'.';
    const bool atLimit =
        view.start == view.end && !limitExempt && SignificantDigitCount(view.text) >= maxDigits;
    if (atLimit || (key == u'-' && !negativeAllowed)) {
        KeepText(field, view);
    } else if (key == kBackspaceKey) {
        Backspace(field, view);
    } else if (IsDigit(key) || key == u'-' || key == u'.') {
        InsertKey(field, view, key);
    } else {
        KeepText(field, view);
    }
}

void HexKeyFilter(FieldText& field, char16_t key, std::uint16_t maxLength) {
    const FieldView view = ReadField(field);
    const bool atLimit = view.start == view.end && key != kBackspaceKey &&
                         view.text.size() >= std::size_t{maxLength};
    if (atLimit) {
        KeepText(field, view);
    } else if (key == kBackspaceKey) {
        Backspace(field, view);
    } else if (HexDigitValue(key) >= 0) {
        InsertKey(field, view, key);
    } else {
        KeepText(field, view);
    }
}

int DecimalRangeCheck(std::string_view text, double minimum, double maximum) {
    return CompareToRange(ReadLeadingDecimal(text), minimum, maximum);
}

int ParseHex64(std::string_view text, std::uint64_t& out) {
    constexpr std::uint64_t kShiftLimit = std::numeric_limits<std::uint64_t>::max() >> 4;
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(static_cast<unsigned char>(c));
        if (digit < 0 || value > kShiftLimit) {
            return -1;
        }
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    out = value;
    return 0;
}

int HexRangeCheck(std::string_view text, double minimum, double maximum) {
    std::uint64_t value = 0;
    if (ParseHex64(text, value) != 0) {
        return -2;
    }
    // The fields have always compared the signed reading; the wrap-around is well defined.
    const auto signedValue = static_cast<std::int64_t>(value);
    return CompareToRange(static_cast<double>(signedValue), minimum, maximum);
}

std::string DecimalTextNormalize(std::string_view text, std::uint16_t digits) {
    DecimalPieces pieces = SplitAtPoints(text);
    // Skipping leading points is harmless for the digit count but would make ".5" five here:
    // a text that starts with a point has no integer part.
    if (text.starts_with('.')) {
        pieces = {{}, pieces.integer};
    }
    const IntegerReading integer = ReadLeadingInteger(pieces.integer);
    const std::size_t fractionLength =
        integer.digits.size() < digits ? digits - integer.digits.size() : 0;

    // Only the leading digits of the fraction part are a fraction; anything typed after them
    // ("1.5-") is dropped the way trailing characters of the integer part are.
    std::string fraction(LeadingDigits(pieces.fraction).substr(0, fractionLength));
    fraction.resize(fractionLength, '0');

    std::string result = integer.digits.empty() ? std::string("0") : std::string(integer.digits);
    if (!fraction.empty()) {
        result += '.';
        result += fraction;
    }
    if (integer.negative && result.find_first_of("123456789") != std::string::npos) {
        result.insert(result.begin(), '-');
    }
    return result;
}

std::string HexTextNormalize(std::string_view text, std::uint16_t digits) {
    std::uint64_t value = 0;
    if (ParseHex64(text, value) != 0) {
        return {};
    }
    std::string hex;
    do {
        hex.push_back("0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (hex.size() < digits) {
        hex.append(digits - hex.size(), '0');
    }
    std::reverse(hex.begin(), hex.end());
    return hex;
}

} // namespace va48
