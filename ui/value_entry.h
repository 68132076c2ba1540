#pragma once

// Value entry for the numeric text fields: key filters that rebuild a field's text as each
// character is typed, range checks run when a field is committed, and normalisers that turn a
// committed text into its stored form. Nothing here keeps state between calls and nothing
// depends on a GUI toolkit: a line edit is seen through the plain FieldText model below.
//
// Two kinds of field exist:
//  - decimal fields: an optional minus sign, integer digits, an optional point and fraction
//    digits, limited by a count of significant digits;
//  - hexadecimal fields: hexadecimal digits only, limited by a character count, carrying
//    unsigned values of up to 64 bits.
//
// Texts are byte strings; in practice they are ASCII. Positions count characters (bytes).

#include <cstdint>
#include <string>
#include <string_view>

namespace va48 {

// The most characters a field text holds. Key filters read at most this many characters of a
// field and never produce a longer text.
inline constexpr int kFieldTextMax = 31;

// Character code of the backspace key as the key filters receive it.
inline constexpr char16_t kBackspaceKey = u'\b';

// A text field as the key filters see it: its text and its selection. The selection is
// [selectionStart, selectionEnd) in characters; equal ends mean a caret with no selection.
struct FieldText {
    std::string text;
    int selectionStart = 0;
    int selectionEnd = 0;

    friend bool operator==(const FieldText&, const FieldText&) = default;
};

// Significant digit count of a decimal text, the measure the decimal digit limit uses.
// The text is split at points, skipping leading points and runs of points: the first piece is
// the integer part, the second the fraction part, further pieces are ignored (".5" has the
// integer part "5" and no fraction; "1..2" has "1" and "2"). The integer part counts the
// digits of the absolute value of its leading integer (leading white space, optional sign,
// digits), without leading zeros, so "-", "00" and "-0" count 0; any length of digits is
// counted exactly. The fraction part counts all of its characters.
// Returns the sum, >= 0 (saturated at INT_MAX). Examples: "25.0" 3, "-59.9" 3, "0.5" 1,
// "007" 1, "0.100" 3, "" 0.
int SignificantDigitCount(std::string_view text);

// The common frame of both key filters:
//  - the field text is read as its first kFieldTextMax characters; selection positions are
//    clamped to [0, length of that text] and a reversed selection (start > end) is swapped;
//  - an accepted character replaces the selection (or is inserted at the caret), and backspace
//    deletes the selection or the character before the caret. The new text is built from the
//    text as read, written into the field and the selection collapsed to a caret after the
//    edit;
//  - an insertion that would make the text longer than kFieldTextMax characters is refused;
//  - a refused or ignored character leaves field.text exactly as it was; the selection is left
//    as read (clamped and ordered), so a caret stays where it was and a selection stays
//    selected. Backspace at position 0 with no selection changes nothing either.
// Neither filter checks where or how often signs and points appear: "1..2" and "5-" can be
// typed, and the range check reads such a text by its leading number.

// Key filter of a decimal field.
// key: the typed character code; digits, '-', '.' and kBackspaceKey are accepted, anything
// else is refused. maxDigits: the significant digit limit; while the text counts at least
// maxDigits (SignificantDigitCount) and there is no selection, every key except backspace,
// '-' and '.' is ignored. With a selection the limit does not apply, so a digit may replace
// selected text. The limit looks at the text before the key, so one insertion can pass it
// (a '1' typed before "0.55" gives "10.55"); the range check at commit bounds the value.
// negativeAllowed: when false, '-' is always ignored, also over a selection.
void DecimalKeyFilter(FieldText& field, char16_t key, std::uint16_t maxDigits,
                      bool negativeAllowed);

// Key filter of a hexadecimal field.
// key: '0'..'9', 'a'..'f', 'A'..'F' (inserted in the case typed) and kBackspaceKey are
// accepted, anything else is refused. maxLength: the character limit; while the text holds at
// least maxLength characters and there is no selection, every key except backspace is
// ignored.
void HexKeyFilter(FieldText& field, char16_t key, std::uint16_t maxLength);

// Range check of a committed decimal text against [minimum, maximum], both inclusive.
// The value is the longest leading decimal number of the text: leading white space skipped,
// an optional '+' or '-', digits, an optional '.', digits (at least one digit in all; no
// exponent, hexadecimal, infinity or NaN; the point is always '.', whatever the locale).
// A text without such a number reads 0; "1..2" reads 1. A number too large for a double reads
// as plus or minus infinity, one too small reads as zero.
// Returns -1 when the value is below minimum, else 1 when it is above maximum, else 0.
int DecimalRangeCheck(std::string_view text, double minimum, double maximum);

// Reads a hexadecimal text as an unsigned 64-bit value. Every character must be a hexadecimal
// digit of either case: white space, signs and a "0x" prefix are rejected. Leading zeros are
// allowed at any length; the last 8 digits give the low 32 bits and the digits before them
// the high bits. The empty text reads 0.
// Returns 0 on success and writes the value to out; returns -1, leaving out untouched, when a
// character is not a hexadecimal digit or the value does not fit in 64 bits.
int ParseHex64(std::string_view text, std::uint64_t& out);

// Range check of a committed hexadecimal text against [minimum, maximum], both inclusive.
// The value of ParseHex64 is read as a signed 64-bit integer and converted to double before
// comparing, so texts of 16 digits with the top bit set read negative
// ("FFFFFFFFFFFFFFFF" reads -1).
// Returns -2 when ParseHex64 fails, else -1 below minimum, 1 above maximum, 0 inside.
int HexRangeCheck(std::string_view text, double minimum, double maximum);

// Normalises a committed decimal text to `digits` significant digits.
// The text is split and its integer part read as for SignificantDigitCount, except that a text
// starting with a point has no integer part (".5" is 0.5, "1..2" is 1.2). The integer digits
// are those of the absolute value without leading zeros ("0" when the value is 0). With k
// integer digits (k = 0 for the value 0) the fraction is padded with '0' or cut to digits - k
// characters, and is empty when k >= digits (the integer digits are never cut). Only the leading
// digits of the fraction part count as fraction. The result is the integer digits, then '.' and the
// fraction when the fraction is not empty, preceded by '-' when the text's integer part carries a
// minus sign and the result shows a non-zero digit. Examples with digits = 3: "3" -> "3.00",
// "12.345" -> "12.3", "150" -> "150", "0.5" -> "0.500", "007.1" -> "7.10", "999.9" -> "999",
// "-25.0" -> "-25.0",
// "-0.5" -> "-0.500", ".5" -> "0.500", "" -> "0.000".
std::string DecimalTextNormalize(std::string_view text, std::uint16_t digits);

// Normalises a committed hexadecimal text: the value of ParseHex64 as upper-case hexadecimal,
// zero-padded to `digits` characters, longer when the value needs more digits, and at least
// one digit ("abc" with 12 -> "000000000ABC").
// Returns the empty string when ParseHex64 fails; callers pass texts HexRangeCheck accepted.
std::string HexTextNormalize(std::string_view text, std::uint16_t digits);

} // namespace va48
